// The INI document: sections of key = value entries, one document per process, read through
// the media resolver and written back whole when it was changed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/rt_string.h"

namespace korvane {

struct IniEntry {
  std::string key;
  std::string value;
};

struct IniSection {
  std::string name;  // may be empty: the entries before the first header
  std::vector<IniEntry> entries;
};

// Reading: a line feed ends a line (a carriage return before it dropped). Leading spaces, tabs,
// CRs and LFs are skipped; ";" starts a comment; "[" a header whose name runs to the first
// space, tab, "=", CR or LF, one "]" ending it removed (an empty name keeps the current section);
// anything else is an entry whose key runs likewise, then optional blanks, "=", blanks and the
// value, trailing bytes 1..31 removed. Entries with an empty value, lines that end inside the
// key or lack the "=", and sections without entries are not stored; duplicates are.
// A line is read whole, however long, and its text ends at a NUL.
std::vector<IniSection> parseIni(std::string_view text);

// Every section as "[" name "]" CR LF, then every entry as key "=" value CR LF.
std::string iniText(const std::vector<IniSection>& sections);

class IniDocument {
 public:
  // Replaces the document with the file at `path`. A missing file gives an empty document that
  // a save creates; one that exists but cannot be read gives an empty document that is never
  // saved over it (error code 3 recorded). Either way the document is saved to `path`.
  void open(std::string_view path);

  // The value of the first entry named `key` (letter case ignored) in the first section named
  // `section`; nullptr when there is none.
  const std::string* find(std::string_view section, std::string_view key) const;

  // Replaces the first matching entry's value, or appends the entry (and its section at the
  // end when there is none); the value is cut at its first NUL, CR or LF. Refused (false,
  // nothing changed) when it would not read back the same: an empty key, a key holding "=",
  // a space, a tab, a line end or starting with ";" or "["; a section name holding "]", "=",
  // a space, a tab or a line end; a new section without a name after other sections.
  bool setValue(std::string_view section, std::string_view key, std::string_view value);

  // Writes the document back when it changed and has a path. Error code 3 recorded when the
  // write fails or the file must not be overwritten; the file is then untouched.
  void save();

  const std::vector<IniSection>& sections() const { return sections_; }
  const std::string& path() const { return path_; }
  const std::string& writePath() const { return writePath_; }
  bool dirty() const { return dirty_; }

 private:
  std::vector<IniSection> sections_;
  std::string path_;       // as the program requested it
  std::string writePath_;  // absolute, fixed when opened
  bool dirty_ = false;
  bool writable_ = true;
};

// The process's one INI document.
IniDocument& iniDocument();

// Saves the current document when it changed, then reads the one at `path`.
void openIni(const RtString& path);
// The value, or "NO_DATA" when the section or key is missing.
RtString readIniValue(const RtString& section, const RtString& key);
// Sets the value (see IniDocument::setValue); 1 when stored, 0 when refused.
double writeIniValue(const RtString& section, const RtString& key, const RtString& value);
// Writes the document to its path when it changed.
void saveIni();

}  // namespace korvane
