// TIniEditor: typed values in one INI file.
//
// A non-visual component configured by two properties, the file's name and
// where it lives.  Every read and write is one self-contained profile-string
// call (platform/Profile.h): the component caches nothing and holds no file
// open, so a write is on disk when it returns and a read sees the file as it
// is now.  The one exception is a BatchRead: while one is open, reads answer
// from a single look at the file taken at the batch's first read, so that a
// batch of reads (a settings load) opens and parses the file once and sees
// one state of it.
//
// Where the file is
//  * FileLocation chooses the base directory that a relative FileName is
//    resolved against.  It is derived each time FileLocation is assigned (even
//    with the value it already has), and only then:
//      ApplicationPath  the folder of the running executable, with its "/";
//      WindowsPath      the Windows directory (platform::GetWindowsDirectory),
//                       with a "/" appended when it does not end in one;
//      PathInFileName   none: FileName is used as it is.
//    A new component holds ApplicationPath but, never having been assigned,
//    no base directory, so it uses FileName unchanged.  A value outside the
//    three gives no base directory.  Paths are taken whole, however long.
//  * FullPath(), computed afresh for every read and write:
//      1. no base directory, or FileName has a ":" as its second character (a
//         drive-letter path): FileName unchanged;
//      2. FileName begins with "/": the base directory followed by FileName
//         without that "/";
//      3. otherwise the base directory followed by FileName;
//      4. then ".INI" is appended when the whole path holds no "." at all (a
//         dotted folder name counts).
//
// Reading and writing
//  * An empty section or an empty FileName makes a write do nothing and a read
//    return its default; so does an empty key for a read.
//  * WriteStr stores the value; an empty value erases the key, and an empty key
//    with an empty value erases the whole section.
//  * ReadStr gives the stored text (a key stored with an empty value gives the
//    empty text, not the default) or the default when the file, section or key
//    is missing or the file cannot be read.
//  * Typed writes turn their value into text and call WriteStr; typed reads turn
//    their default into text the same way, call ReadStr and convert back:
//      Bool  "True" / "False"; reads true for "TRUE" or "YES" in any case or
//            exactly "1", false for every other text, the empty one included.
//      Char  the one character; reads the first character of the text, or the
//            default when the text is empty.  Writing '\0' erases the key, as
//            an empty text does.
//      Int   decimal with a leading "-" when negative; reads through ReadReal
//            and truncates toward zero ("12.9" gives 12, "-3.7" -3, "1E2" 100);
//            a value outside the signed 32-bit range gives the default.
//      Real  general number format with up to 15 significant digits and "." as
//            the decimal separator whatever the process locale says ("0.25",
//            "1E20", "1.5E-7"; "NAN", "INF" and "-INF" for the values that are
//            no numbers).  Reading accepts an optional sign, digits with an
//            optional "." and an optional decimal exponent ("E" or "e", optional
//            sign, digits); any other text gives the default.
//  * Lengths: sections, keys and values travel through 256-byte buffers, so a
//    read gives at most 255 characters (a longer value put in by hand comes
//    back cut at 255).  A write of a section, key or value longer than 255
//    characters is refused and leaves the file as it was: a value that could
//    only come back cut would name a different file or setting.
//  * Reads never fail toward the caller and writes report nothing: a file that
//    cannot be written keeps its old content.
//
// Must be used on one thread at a time; the file itself may be shared.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Profile.h"
#include "toolkit/Component.h"

enum TFileLocation : int { ApplicationPath = 0, WindowsPath = 1, PathInFileName = 2 };

class TIniEditor : public QObject, public tk::TComponent {
  Q_OBJECT
public:
  // The longest section, key or value that travels to and from the file.
  static constexpr std::size_t MaxTextLength = 255;

  explicit TIniEditor(QObject* owner = nullptr);

  const std::string& FileName() const { return m_fileName; }
  void SetFileName(const std::string& name);
  TFileLocation FileLocation() const { return m_fileLocation; }
  void SetFileLocation(TFileLocation location);

  // The file every read and write goes to now (see above).
  std::string FullPath() const;

  void WriteBool(std::string_view section, std::string_view key, bool value);
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue);
  void WriteChar(std::string_view section, std::string_view key, char value);
  char ReadChar(std::string_view section, std::string_view key, char defaultValue);
  void WriteInt(std::string_view section, std::string_view key, std::int32_t value);
  std::int32_t ReadInt(std::string_view section, std::string_view key, std::int32_t defaultValue);
  void WriteReal(std::string_view section, std::string_view key, long double value);
  long double ReadReal(std::string_view section, std::string_view key, long double defaultValue);

  // Every typed operation goes through these two.
  virtual void WriteStr(std::string_view section, std::string_view key, std::string_view value);
  virtual std::string ReadStr(std::string_view section, std::string_view key,
                              std::string_view defaultValue);

  // Opens a batch of reads on ini for its lifetime (batches nest; the
  // outermost one counts).  The file is read at the batch's first read, and
  // again at the first read after a write through this component or a change
  // of FullPath(); it is never kept past the batch, so the next batch sees the
  // file as it then stands on disk.
  class BatchRead {
  public:
    explicit BatchRead(TIniEditor& ini);
    ~BatchRead();
    BatchRead(const BatchRead&) = delete;
    BatchRead& operator=(const BatchRead&) = delete;

  private:
    TIniEditor& m_ini;
  };

  void EraseSection(std::string_view section);
  void EraseEntry(std::string_view section, std::string_view key);

  // The texts the typed operations store, exposed for their callers' tests.
  static std::string BoolToText(bool value);
  static std::string RealToText(long double value);
  // The number a text stands for, or false when it is none (see Real above).
  static bool TextToReal(std::string_view text, long double& value);

private:
  std::string m_fileName;
  int m_batchDepth = 0;
  std::unique_ptr<platform::ProfileSnapshot> m_snapshot;  // only inside a batch
  std::string m_baseDir;
  TFileLocation m_fileLocation = ApplicationPath;
};
