#include "runtime/lib/ini_document.h"

#include "runtime/core/stop/error_codes.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/document_file_internal.h"

namespace korvane {

namespace {

constexpr size_t kFirstSectionRoom = 8;
constexpr size_t kSectionRoomStep = 16;

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// What ends a key or a section name.
bool endsName(char c) { return isWhite(c) || c == '='; }
bool isLineEnd(char c) { return c == '\0' || c == '\r' || c == '\n'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

void appendSection(std::vector<IniSection>& sections, IniSection section) {
  if (sections.size() == sections.capacity()) {
    const size_t room = sections.empty()
                            ? kFirstSectionRoom
                            : (sections.size() / kSectionRoomStep + 1) * kSectionRoomStep;
    sections.reserve(room);
  }
  sections.push_back(std::move(section));
}

size_t skipWhite(std::string_view line, size_t at) {
  while (at < line.size() && isWhite(line[at])) ++at;
  return at;
}

size_t nameEnd(std::string_view line, size_t at) {
  while (at < line.size() && !endsName(line[at])) ++at;
  return at;
}

// One line of the file, without its line end; `current` collects the section being read.
void parseLine(std::string_view line, std::vector<IniSection>& sections, IniSection& current) {
  size_t at = skipWhite(line, 0);
  if (at == line.size() || line[at] == ';') return;
  if (line[at] == '[') {
    at = skipWhite(line, at + 1);
    std::string_view name = line.substr(at, nameEnd(line, at) - at);
    if (!name.empty() && name.back() == ']') name.remove_suffix(1);
    if (name.empty()) return;
    if (!current.entries.empty()) appendSection(sections, std::move(current));
    current = IniSection{std::string(name), {}};
    return;
  }
  const size_t keyEnd = nameEnd(line, at);
  if (keyEnd == line.size()) return;
  size_t next = skipWhite(line, keyEnd);
  if (next == line.size() || line[next] != '=') return;
  next = skipWhite(line, next + 1);
  std::string_view value = line.substr(next);
  // Bytes of 128 and above are letters of the code page, so only 1..31 go.
  while (!value.empty() && static_cast<unsigned char>(value.back()) <= 31) value.remove_suffix(1);
  if (value.empty()) return;
  current.entries.push_back({std::string(line.substr(at, keyEnd - at)), std::string(value)});
}

std::string_view untilLineEnd(std::string_view text) {
  size_t length = 0;
  while (length < text.size() && !isLineEnd(text[length])) ++length;
  return text.substr(0, length);
}

bool validKey(std::string_view key) {
  if (key.empty() || key.front() == ';' || key.front() == '[') return false;
  for (char c : key) {
    if (endsName(c) || c == '\0') return false;
  }
  return true;
}

bool validSectionName(std::string_view name) {
  for (char c : name) {
    if (endsName(c) || c == ']' || c == '\0') return false;
  }
  return true;
}

template <typename Sections>
auto findSection(Sections& sections, std::string_view name) -> decltype(&sections.front()) {
  for (auto& s : sections) {
    if (equalIgnoringCase(s.name, name)) return &s;
  }
  return nullptr;
}

}  // namespace

std::vector<IniSection> parseIni(std::string_view text) {
  std::vector<IniSection> sections;
  IniSection current;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (end < text.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t nul = line.find('\0');
    if (nul != std::string_view::npos) line = line.substr(0, nul);
    parseLine(line, sections, current);
    at = next;
  }
  if (!current.entries.empty()) appendSection(sections, std::move(current));
  return sections;
}

std::string iniText(const std::vector<IniSection>& sections) {
  std::string text;
  for (const IniSection& s : sections) {
    text += '[';
    text += s.name;
    text += "]\r\n";
    for (const IniEntry& e : s.entries) {
      text += e.key;
      text += '=';
      text += e.value;
      text += "\r\n";
    }
  }
  return text;
}

void IniDocument::open(std::string_view path) {
  sections_.clear();
  dirty_ = false;
  path_.assign(path);
  writePath_ = documentWritePath(path);
  std::string bytes;
  const DocumentRead read = readDocument(path, bytes);
  writable_ = read != DocumentRead::kUnreadable;
  if (read == DocumentRead::kRead) {
    sections_ = parseIni(bytes);
  } else if (read == DocumentRead::kUnreadable) {
    setErrorCode(kTransferErrorCode);
  }
}

const std::string* IniDocument::find(std::string_view section, std::string_view key) const {
  const IniSection* s = findSection(sections_, section);
  if (s == nullptr) return nullptr;
  for (const IniEntry& e : s->entries) {
    if (equalIgnoringCase(e.key, key)) return &e.value;
  }
  return nullptr;
}

bool IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
  if (!validKey(key) || !validSectionName(section)) return false;
  IniSection* s = findSection(sections_, section);
  if (s == nullptr) {
    // "[]" after another section reads back as part of that section.
    if (section.empty() && !sections_.empty()) return false;
    appendSection(sections_, IniSection{std::string(section), {}});
    s = &sections_.back();
  }
  const std::string_view stored = untilLineEnd(value);
  dirty_ = true;
  for (IniEntry& e : s->entries) {
    if (equalIgnoringCase(e.key, key)) {
      e.value.assign(stored);
      return true;
    }
  }
  s->entries.push_back({std::string(key), std::string(stored)});
  return true;
}

void IniDocument::save() {
  if (!dirty_ || path_.empty()) return;
  if (!writable_ || !writeDocument(writePath_, iniText(sections_))) {
    setErrorCode(kTransferErrorCode);
    return;
  }
  dirty_ = false;
}

IniDocument& iniDocument() {
  static IniDocument document;
  return document;
}

void openIni(const RtString& path) {
  IniDocument& document = iniDocument();
  document.save();
  document.open(viewOf(path));
}

RtString readIniValue(const RtString& section, const RtString& key) {
  const std::string* value = iniDocument().find(viewOf(section), viewOf(key));
  return value != nullptr ? RtString(std::string_view(*value)) : RtString(kNoDataMarker);
}

double writeIniValue(const RtString& section, const RtString& key, const RtString& value) {
  return iniDocument().setValue(viewOf(section), viewOf(key), viewOf(value)) ? 1.0 : 0.0;
}

void saveIni() { iniDocument().save(); }

}  // namespace korvane
