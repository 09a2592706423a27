// The check shared by the drivers of INI-style files: a save changed the written keys and nothing else.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/fuzz/Fuzz.h"

namespace fuzz {

// Lines as the file holds them, without byte order mark and line ends. Carriage returns at a line's end
// count as part of the line end: a file of mixed line ends is saved with one kind.
inline std::vector<std::string> Lines(std::string text) {
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

inline std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Without the control characters and blanks at both ends, as the INI reader trims.
inline std::string Stripped(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// The key of an entry line in upper case, "" for another line.
inline std::string KeyOf(const std::string& line) {
  const std::string text = Stripped(line);
  const size_t equals = text.find('=');
  if (text.empty() || text[0] == '[' || text[0] == ';' || text[0] == '#' || equals == std::string::npos)
    return "";
  return Upper(Stripped(text.substr(0, equals)));
}

// The saved file is the loaded one with lines of the written keys replaced or inserted, and headers of
// written sections (with a blank line before them) added: no other line is lost or changed.
inline void CheckNothingLost(const std::string& before, const std::string& after,
                             const std::vector<std::string>& keys, const std::vector<std::string>& sections) {
  auto written = [&](const std::string& line) {
    const std::string key = KeyOf(line);
    for (const std::string& k : keys)
      if (key == Upper(k)) return true;
    return false;
  };
  auto header = [&](const std::string& line) {
    for (const std::string& s : sections)
      if (line == "[" + s + "]") return true;
    return line.empty();
  };
  const std::vector<std::string> old = Lines(before), now = Lines(after);
  size_t i = 0;
  for (size_t j = 0; j < now.size(); ++j) {
    if (i < old.size() && old[i] == now[j]) {
      ++i;
    } else if (written(now[j])) {
      if (i < old.size() && KeyOf(old[i]) == KeyOf(now[j])) ++i;  // the stored value replaced
    } else {
      FUZZ_CHECK(i == old.size() && header(now[j]), "line " + std::to_string(i + 1) + " '" +
                                                        (i < old.size() ? old[i] : "") + "' lost or changed");
    }
  }
  FUZZ_CHECK(i == old.size(),
             "line " + std::to_string(i + 1) + " '" + old[std::min(i, old.size() - 1)] + "' lost");
}

}  // namespace fuzz
