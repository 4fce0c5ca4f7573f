#include "cli/list_output.h"

#include <cstdio>
#include <string_view>

#include "cli/terminal_text.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

struct Fields {
  std::string keyword, source, seed, depth;  // UTF-8
};

Fields FieldsOf(const Text& keyword, const KeywordLedger& ledger) {
  const KeywordOrigin* origin = ledger.Find(keyword);
  if (origin == nullptr) return {Utf8FromGbk(keyword), "", "", ""};
  return {Utf8FromGbk(keyword), origin->source, Utf8FromGbk(origin->seed),
          std::to_string(origin->depth)};
}

Fields ShownOnTerminal(Fields fields) {
  return {ForTerminal(fields.keyword), ForTerminal(fields.source), ForTerminal(fields.seed),
          fields.depth};
}

// Quoted when a comma, a quote or a line break would otherwise end it. A
// spreadsheet takes a cell that starts like a formula for one, and a
// keyword from the web could then run whatever it says: the leading "'"
// makes it text again.
std::string CsvField(const std::string& field) {
  const bool formula =
      !field.empty() && std::string_view("=+-@\t\r").find(field[0]) != std::string_view::npos;
  if (!formula && field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = formula ? "\"'" : "\"";
  for (const char c : field) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + '"';
}

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else {
      json += c;
    }
  }
  return json + '"';
}

}  // namespace

std::vector<Text> ListKeywords(const Text& list) {
  std::vector<Text> keywords;
  if (list.empty()) return keywords;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = list.find("\r\n", start);
    keywords.push_back(list.substr(start, end == Text::npos ? Text::npos : end - start));
    if (end == Text::npos) break;
    start = end + 2;
  }
  return keywords;
}

std::string FormatList(const std::vector<Text>& keywords, const KeywordLedger& ledger,
                       ListFormat format, bool to_file, std::optional<bool> utf8) {
  std::string out;
  switch (format) {
    case ListFormat::kLines:
      for (std::size_t i = 0; i < keywords.size(); ++i) {
        if (!to_file) {
          out += ForTerminal(Utf8FromGbk(keywords[i])) + "\n";
        } else {
          if (i > 0) out += "\r\n";
          out += utf8.value_or(false) ? Utf8FromGbk(keywords[i]) : keywords[i];
        }
      }
      return out;
    case ListFormat::kCsv: {
      const std::string end = to_file ? "\r\n" : "\n";
      out = "keyword,source,seed,depth" + end;
      for (const Text& keyword : keywords) {
        const Fields fields =
            to_file ? FieldsOf(keyword, ledger) : ShownOnTerminal(FieldsOf(keyword, ledger));
        out += CsvField(fields.keyword) + "," + CsvField(fields.source) + "," +
               CsvField(fields.seed) + "," + fields.depth + end;
      }
      if (!to_file) return out;
      // Spreadsheet programs take a UTF-8 file without a mark for the
      // system's code page.
      return utf8.value_or(true) ? "\xEF\xBB\xBF" + out : GbkFromUtf8(out);
    }
    case ListFormat::kJsonl:
      for (const Text& keyword : keywords) {
        const Fields fields = FieldsOf(keyword, ledger);
        out += "{\"keyword\":" + JsonString(fields.keyword) +
               ",\"source\":" + JsonString(fields.source) + ",\"seed\":" + JsonString(fields.seed) +
               ",\"depth\":" + (fields.depth.empty() ? "null" : fields.depth) + "}\n";
      }
      return out;
  }
  return out;
}

}  // namespace kestrilo
