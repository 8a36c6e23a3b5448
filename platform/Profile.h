// Profile strings: named values in INI files, read and written one at a time.
//
// An INI file is a text file of sections and keys:
//
//     ; a comment
//     [Section]
//     Key=Value
//
// Every call opens the file, does its one job and closes it again.  Nothing is
// cached, so a read always sees the file as it is now, hand edits included.
// ProfileSnapshot answers several reads from one look at the file.
//
// Reading
//  * Section and key names compare without regard to case (ASCII letters).
//    Spaces and tabs around a section name inside its brackets, around a key
//    and around a value are ignored; so are blanks around the names passed in.
//  * A section line is a line whose first non-blank character is "[" and that
//    holds a "]"; its name is the text up to the first "]", and whatever follows
//    that "]" is ignored.  A line that starts with "[" but holds no "]" is
//    neither a section nor a key.
//  * A line whose first non-blank character is ";" is a comment.  A ";" later
//    in a line is part of the key or value; "#" has no special meaning.
//  * A key line is any other line of a section that holds "="; the key is the
//    text before the first "=", the value the text after it.  A line without
//    "=" is not a key.  Lines before the first section cannot be reached.
//  * A value enclosed in one matching outer pair of double or single quotes is
//    read without that pair (blanks inside it kept); an unmatched or mixed pair
//    stays as it is.
//  * The first section with a matching name counts, and in it the first key
//    with a matching name; later duplicates are never seen.
//  * Line ends may be LF, CRLF or a lone CR, even mixed in one file.  A UTF-8
//    byte-order mark at the very start of the file is skipped.
//
// Writing
//  * A write keeps every line it does not change byte for byte, comments and
//    blank lines included, and keeps the spelling of an existing section or
//    key name.  A changed key line is rewritten as "Key=Value".
//  * A new key goes after the last line of its section that is neither blank
//    nor a comment; a new section goes at the end of the file as "[Section]"
//    followed by its key, with no blank line before it.  New lines end in the
//    line-end style of the file (that of its first line end), LF in a file that
//    has none yet.  A final line that lacks a line end gets one when a line is
//    added after it.
//  * The value is written exactly as given, blanks and quotes included (so
//    "  x  " reads back as "x", and "'x'" as x).
//  * Deleting a key that is missing, or a section that is missing, is no error
//    and leaves the file untouched.  Deleting a section removes its header and
//    every line up to the next section header.
//  * The file is replaced atomically: the new content goes to a temporary file
//    in the same folder, is flushed to disk and renamed over the old file, which
//    keeps the old file's permission bits (and owner, where allowed).  A crash
//    or a full disk never leaves a half-written file: a write that cannot be
//    completed changes nothing.  A write whose result equals the old content
//    does not touch the file.  A symbolic link is followed and its target
//    replaced.  A missing file is created (with the process's default
//    permissions); a missing folder is not.
//
// Files that are not read
//  * A file larger than kMaxProfileFileBytes, a file that holds a NUL byte
//    ("binary"), anything that is not a regular file (a folder, a named pipe, a
//    device, a socket), a symbolic link that leads nowhere or round in a loop,
//    and a file that cannot be opened or read all read as if missing: every read
//    gives its default.  Nothing is opened before its type is known to be a
//    regular file, and no open waits, so a named pipe never blocks a read.
//  * A write refuses such a file and leaves it alone, so data it cannot
//    understand is never lost.  A write also refuses a file without write
//    permission for this process or without any write permission bit at all
//    (a read-only file), even when the process could override that.
//
// Writes that cannot complete
//  * A full disk, a file-size limit (RLIMIT_FSIZE), an I/O error or a folder
//    that cannot be written makes the write return false with the old file
//    untouched.  A file-size limit never raises SIGXFSZ in the caller: the
//    signal is held back during the write and its effect reported as the
//    failure it is.
//  * The temporary file is checked whole (every byte written, its size, its
//    flush to disk) before it may replace the old file; otherwise it is removed.
//  * Each writer's temporary file is named "." + file name + ".tmp-" + process
//    id + "-" + count and stays locked while its writer works on it.  A writer
//    killed mid-write leaves it behind; the next write of the same file removes
//    every such leftover whose process no longer runs and whose lock is free.
//
// Names and values that cannot be stored
//  * A write is refused, and nothing changes, when a name or value holds a line
//    break or would read back as something else: an empty section or key name,
//    a section name with "]", a key name with "=" or starting with ";" or "[".
//
// All functions are safe to call from any thread; concurrent writers of the same
// file each replace it whole, the last rename winning.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Files larger than this (16 MiB) read as defaults and are never rewritten.
// Settings files are a few hundred bytes; anything this size is not one.
inline constexpr std::size_t kMaxProfileFileBytes = 16u * 1024u * 1024u;

// The value of key in section of the file at path, or defaultValue when the
// file, the section or the key is missing or the file is not read (see above).
// The result, whether read or the default, holds at most bufferSize - 1
// characters (nothing for a bufferSize of 0): a longer text is cut there.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path,
                                    std::size_t bufferSize = 256);

// Stores value under key in section, creating the file, the section and the
// key as needed.  A null value deletes the key; a null key deletes the whole
// section (value is then ignored).  Returns true when the file now holds what
// was asked (also when nothing had to change), false when the write was
// refused or failed; in that case the file is exactly as it was.
bool WritePrivateProfileString(std::string_view section, const char* key, const char* value,
                               const std::string& path);

// One look at a file: it is read (by the rules above) when the snapshot is
// made, and every GetString then answers from that copy, exactly as
// GetPrivateProfileString would have answered at that moment.  A caller that
// reads several keys at once (a settings load) makes one snapshot, so the
// file is opened and parsed once and the values agree with each other; a
// snapshot is never refreshed, so keep it no longer than that one batch.
// Lines are indexed as they are first needed: a file is scanned once for its
// section headers, and a section's keys once when that section is first asked.
// Not safe for concurrent use of one snapshot from several threads.
class ProfileSnapshot {
public:
  explicit ProfileSnapshot(const std::string& path);
  ~ProfileSnapshot();
  ProfileSnapshot(const ProfileSnapshot&) = delete;
  ProfileSnapshot& operator=(const ProfileSnapshot&) = delete;

  // The file this snapshot was taken of, as given.
  const std::string& Path() const { return m_path; }
  // False when the file was missing or not read (every read gives its default).
  bool Loaded() const { return m_loaded; }

  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::size_t bufferSize = 256) const;

private:
  struct Index;
  std::string m_path;
  std::string m_text;
  bool m_loaded = false;
  mutable std::unique_ptr<Index> m_index;
};

}  // namespace platform
