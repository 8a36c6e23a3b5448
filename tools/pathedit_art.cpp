// Draws the path editor's browse-button glyphs and the directory list's folders:
//   BMP_OPEN_FILE.png        28 x 14: an opening folder with an arrow out of it
//   BMP_BROWSE_FOLDERS.png   28 x 14: two folders stacked as a tree
//   BMP_SAVE_FILE.png        28 x 14: a diskette
//   BMP_BROWSE.png           28 x 14: three dots
// each a strip of two 14 x 14 glyphs, the normal one and the disabled one
// (an engraved grey copy of the first);
//   WIN95DIRLISTBOX_OPEN_FOLDER.png     16 x 15: an open folder
//   WIN95DIRLISTBOX_CLOSED_FOLDER.png   16 x 15: a closed folder
//   WIN95DIRLISTBOX_CURRENT_FOLDER.png  16 x 15: an open folder with a page in it
// All are pixel art in the 16 standard colours, saved as palette images whose
// 17th entry is transparent (where the control's background shows).
//
// Usage: art_pathedit_art <resources folder>
#include <QImage>
#include <QPainter>
#include <vector>

#include "ArtCommon.h"

namespace {

// The 16 standard colours.
const QRgb kBlack = qRgb(0, 0, 0), kMaroon = qRgb(128, 0, 0), kGreen = qRgb(0, 128, 0),
           kOlive = qRgb(128, 128, 0), kNavy = qRgb(0, 0, 128), kPurple = qRgb(128, 0, 128),
           kTeal = qRgb(0, 128, 128), kGray = qRgb(128, 128, 128), kSilver = qRgb(192, 192, 192),
           kRed = qRgb(255, 0, 0), kLime = qRgb(0, 255, 0), kYellow = qRgb(255, 255, 0),
           kBlue = qRgb(0, 0, 255), kFuchsia = qRgb(255, 0, 255), kAqua = qRgb(0, 255, 255),
           kWhite = qRgb(255, 255, 255);
const QRgb kClear = qRgba(0, 0, 0, 0);

QList<QRgb> Palette() {
  return {kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kGray,
          kSilver, kRed,   kLime,  kYellow, kBlue, kFuchsia, kAqua, kWhite, kClear};
}

// A small pixel canvas: every pixel one palette colour, no blending.
struct Pix {
  QImage img;
  Pix(int w, int h) : img(w, h, QImage::Format_ARGB32) { img.fill(kClear); }
  void Set(int x, int y, QRgb c) {
    if (img.rect().contains(x, y)) img.setPixel(x, y, c);
  }
  QRgb At(int x, int y) const { return img.rect().contains(x, y) ? img.pixel(x, y) : kClear; }
  void HLine(int x0, int x1, int y, QRgb c) {
    for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void VLine(int x, int y0, int y1, QRgb c) {
    for (int y = y0; y <= y1; ++y) Set(x, y, c);
  }
  void Fill(int x0, int y0, int x1, int y1, QRgb c) {
    for (int y = y0; y <= y1; ++y) HLine(x0, x1, y, c);
  }
  // An outlined box, corners included.
  void Box(int x0, int y0, int x1, int y1, QRgb outline, QRgb inside) {
    Fill(x0, y0, x1, y1, inside);
    HLine(x0, x1, y0, outline);
    HLine(x0, x1, y1, outline);
    VLine(x0, y0, y1, outline);
    VLine(x1, y0, y1, outline);
  }
  // Draws `pattern` (one string per row, one character per pixel) at (x, y).
  void Pattern(int x, int y, const std::vector<const char*>& rows) {
    for (int r = 0; r < int(rows.size()); ++r)
      for (int c = 0; rows[r][c]; ++c) {
        const char k = rows[r][c];
        QRgb col = kClear;
        switch (k) {
          case 'k': col = kBlack; break;
          case 'y': col = kYellow; break;
          case 'o': col = kOlive; break;
          case 'w': col = kWhite; break;
          case 's': col = kSilver; break;
          case 'g': col = kGray; break;
          case 'n': col = kNavy; break;
          case 'b': col = kBlue; break;
          case 'r': col = kRed; break;
          case 't': col = kTeal; break;
          default: continue;
        }
        Set(x + c, y + r, col);
      }
  }
};

// ---- folders (16 x 15) ---------------------------------------------------------------

Pix ClosedFolder() {
  Pix p(16, 15);
  p.Pattern(0, 0, {
                      "                ",
                      "                ",
                      "  kkkkk         ",
                      " kywywyk        ",
                      "kywywywykkkkkk  ",
                      "kwwwwwwwwwwwwok ",
                      "kwyyyyyyyyyyyok ",
                      "kwyyyyyyyyyyyok ",
                      "kwyyyyyyyyyyyok ",
                      "kwyyyyyyyyyyyok ",
                      "kwyyyyyyyyyyyok ",
                      "kwyyyyyyyyyyyok ",
                      "kooooooooooooook",
                      " kkkkkkkkkkkkkkk",
                      "                ",
                  });
  return p;
}

Pix OpenFolder() {
  Pix p(16, 15);
  p.Pattern(0, 0, {
                      "                ",
                      "                ",
                      " kkkkk          ",
                      "kywywyk         ",
                      "kwywywkkkkkkk   ",
                      "kywywywywywyk   ",
                      "kwywywkkkkkkkkkk",
                      "kywywkyyyyyyyyyk",
                      "kwywkyyyyyyyyyok",
                      "kywkyyyyyyyyyok ",
                      "kwkyyyyyyyyyyok ",
                      "kkyyyyyyyyyyok  ",
                      "kkooooooooooook  ",
                      "kkkkkkkkkkkkkk  ",
                      "                ",
                  });
  return p;
}

Pix CurrentFolder() {
  // The open folder with a written page standing in it.
  Pix p = OpenFolder();
  p.Pattern(0, 0, {
                      "                ",
                      "       kkkkkk   ",
                      "       kwwwwwk  ",
                      "       kwnnnwk  ",
                      "       kwwwwwk  ",
                      "       kwnnnwk  ",
                  });
  p.Pattern(0, 6, {"      kkkkkkkkkk"});
  return p;
}

// ---- browse glyphs (14 x 14, then the strip) -----------------------------------------

Pix OpenFileGlyph() {
  Pix p(14, 14);
  p.Pattern(0, 0, {
                      "         kkk  ",
                      "        k   k k",
                      "             kk",
                      " kkk        kkk",
                      "kwywk         ",
                      "kywywkkkkk    ",
                      "kwywywywyk    ",
                      "kywykkkkkkkkk ",
                      "kwykyyyyyyyyk ",
                      "kykyyyyyyyyk  ",
                      "kkyyyyyyyyk   ",
                      "kkkkkkkkkkk   ",
                      "              ",
                      "              ",
                  });
  return p;
}

Pix BrowseFoldersGlyph() {
  Pix p(14, 14);
  p.Pattern(0, 0, {
                      " kkk          ",
                      "kywyk         ",
                      "kkkkkkkkk     ",
                      "kyyyyyyyk     ",
                      "kyyyyyyyk     ",
                      "kkkkkkkkk     ",
                      "   g          ",
                      "   g  kkk     ",
                      "   g kywyk    ",
                      "   ggkkkkkkkkk",
                      "     kyyyyyyyk",
                      "     kyyyyyyyk",
                      "     kyyyyyyyk",
                      "     kkkkkkkkk",
                  });
  return p;
}

Pix SaveFileGlyph() {
  Pix p(14, 14);
  p.Pattern(0, 0, {
                      "kkkkkkkkkkkkk ",
                      "knkwwwwwwwknkk",
                      "knkwwwwwwwknnk",
                      "knkwwwwwwwknnk",
                      "knkwwwwwwwknnk",
                      "knnkkkkkkknnnk",
                      "knnnnnnnnnnnnk",
                      "knnkkkkkkkknnk",
                      "knnkssskkskknk",
                      "knnkssskkskknk",
                      "knnkssskkskknk",
                      " kkkkkkkkkkkkk",
                      "              ",
                      "              ",
                  });
  return p;
}

Pix BrowseGlyph() {
  Pix p(14, 14);
  for (int i = 0; i < 3; ++i) p.Fill(2 + i * 4, 9, 3 + i * 4, 10, kBlack);
  return p;
}

// The disabled look: every drawn pixel becomes grey, with a white copy one
// pixel down and to the right wherever that copy falls on the background.
Pix Disabled(const Pix& normal) {
  Pix p(normal.img.width(), normal.img.height());
  for (int y = 0; y < p.img.height(); ++y)
    for (int x = 0; x < p.img.width(); ++x) {
      const QRgb c = normal.At(x, y);
      if (qAlpha(c) == 0) continue;
      // Light fill colours vanish; the outline and the dark parts carry the shape.
      if (qGray(c) >= 160) continue;
      p.Set(x, y, kGray);
    }
  for (int y = p.img.height() - 1; y >= 1; --y)
    for (int x = p.img.width() - 1; x >= 1; --x)
      if (p.At(x - 1, y - 1) == kGray && qAlpha(p.At(x, y)) == 0) p.Set(x, y, kWhite);
  return p;
}

Pix Strip(const Pix& normal) {
  const Pix off = Disabled(normal);
  const int w = normal.img.width();
  Pix p(2 * w, normal.img.height());
  for (int y = 0; y < normal.img.height(); ++y)
    for (int x = 0; x < w; ++x) {
      p.Set(x, y, normal.At(x, y));
      p.Set(w + x, y, off.At(x, y));
    }
  return p;
}

// The palette image that is saved.
QImage Indexed(const Pix& p) {
  return p.img.convertToFormat(QImage::Format_Indexed8, Palette(), Qt::ThresholdDither | Qt::AvoidDither);
}

}  // namespace

int main(int argc, char** argv) {
  return art::Main(argc, argv,
                   {{"BMP_OPEN_FILE", [] { return Indexed(Strip(OpenFileGlyph())); }},
                    {"BMP_BROWSE_FOLDERS", [] { return Indexed(Strip(BrowseFoldersGlyph())); }},
                    {"BMP_SAVE_FILE", [] { return Indexed(Strip(SaveFileGlyph())); }},
                    {"BMP_BROWSE", [] { return Indexed(Strip(BrowseGlyph())); }},
                    {"WIN95DIRLISTBOX_OPEN_FOLDER", [] { return Indexed(OpenFolder()); }},
                    {"WIN95DIRLISTBOX_CLOSED_FOLDER", [] { return Indexed(ClosedFolder()); }},
                    {"WIN95DIRLISTBOX_CURRENT_FOLDER", [] { return Indexed(CurrentFolder()); }}});
}
