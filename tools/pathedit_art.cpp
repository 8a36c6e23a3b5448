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

// Pixel art: one string a row, one character a pixel, from the top-left
// corner; a space leaves the pixel as it is.
using Rows = std::vector<const char*>;

// A small pixel canvas: every pixel one palette colour, no blending.
struct Pix {
  QImage img;
  Pix(int w, int h) : img(w, h, QImage::Format_ARGB32) { img.fill(kClear); }
  void Set(int x, int y, QRgb c) {
    if (img.rect().contains(x, y)) img.setPixel(x, y, c);
  }
  QRgb At(int x, int y) const { return img.rect().contains(x, y) ? img.pixel(x, y) : kClear; }
  // Draws `rows`; what falls outside the canvas is cut off.
  void Draw(const Rows& rows) {
    for (int y = 0; y < int(rows.size()); ++y)
      for (int x = 0; rows[y][x]; ++x) {
        QRgb col = kClear;
        switch (rows[y][x]) {
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
        Set(x, y, col);
      }
  }
};

// ---- folders (16 x 15) ---------------------------------------------------------------

const Rows kClosedFolder = {
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
};

const Rows kOpenFolder = {
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
};

// Drawn over the open folder: a written page standing in it.
const Rows kPageInFolder = {
    "                ",
    "       kkkkkk   ",
    "       kwwwwwk  ",
    "       kwnnnwk  ",
    "       kwwwwwk  ",
    "       kwnnnwk  ",
    "      kkkkkkkkkk",
};

// ---- browse glyphs (14 x 14, then the strip) -----------------------------------------

const Rows kOpenFileGlyph = {
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
};

const Rows kBrowseFoldersGlyph = {
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
};

const Rows kSaveFileGlyph = {
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
};

const Rows kBrowseGlyph = {
    "              ",
    "              ",
    "              ",
    "              ",
    "              ",
    "              ",
    "              ",
    "              ",
    "              ",
    "  kk  kk  kk  ",
    "  kk  kk  kk  ",
};

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

// One picture: its layers drawn in turn on a w x h canvas, saved as a palette
// image; a glyph with its disabled look beside it.
struct Glyph {
  const char* name;
  int w, h;
  std::vector<Rows> layers;
  bool withDisabled;
};

const Glyph kGlyphs[] = {
    {"BMP_OPEN_FILE", 14, 14, {kOpenFileGlyph}, true},
    {"BMP_BROWSE_FOLDERS", 14, 14, {kBrowseFoldersGlyph}, true},
    {"BMP_SAVE_FILE", 14, 14, {kSaveFileGlyph}, true},
    {"BMP_BROWSE", 14, 14, {kBrowseGlyph}, true},
    {"WIN95DIRLISTBOX_OPEN_FOLDER", 16, 15, {kOpenFolder}, false},
    {"WIN95DIRLISTBOX_CLOSED_FOLDER", 16, 15, {kClosedFolder}, false},
    {"WIN95DIRLISTBOX_CURRENT_FOLDER", 16, 15, {kOpenFolder, kPageInFolder}, false},
};

QImage Make(const Glyph& g) {
  Pix p(g.w, g.h);
  for (const Rows& layer : g.layers) p.Draw(layer);
  const Pix out = g.withDisabled ? Strip(p) : p;
  return out.img.convertToFormat(QImage::Format_Indexed8, Palette(), Qt::ThresholdDither | Qt::AvoidDither);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<art::Picture> pictures;
  for (const Glyph& g : kGlyphs) pictures.push_back({g.name, [&g] { return Make(g); }});
  return art::Main(argc, argv, pictures);
}
