#include "publish/template_page.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/download_log.h"
#include "publish/template_tags.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kCannotReadTemplate = 47700;
constexpr std::uint32_t kCannotWritePage = 47701;
constexpr std::uint32_t kPageWriteFailed = 47702;
constexpr std::uint32_t kPageIsTemplate = 47704;

constexpr std::string_view kOpen = "<!--";
constexpr std::string_view kClose = "-->";

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads up to kTemplatePieceMax characters, ending after a line feed; false at the end.
bool ReadPiece(std::FILE* f, std::string& piece) {
  piece.clear();
  int c;
  while (piece.size() < kTemplatePieceMax && (c = std::getc(f)) != EOF) {
    piece.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !piece.empty();
}

void Log(const PageLog& log, std::string_view text, std::string_view title) {
  if (log) {
    log(text, title);
  } else {
    (void)LogMessage(text, title);
  }
}

}  // namespace

void SubstituteTags(std::string_view piece, const TagValues& values, std::string& out) {
  std::size_t p = 0;     // copied up to here
  std::size_t scan = 0;  // the next "<!--" is looked for from here
  std::string value;
  while (true) {
    const std::size_t s = piece.find(kOpen, scan);
    if (s == std::string_view::npos) break;
    const std::size_t e = piece.find(kClose, s + kOpen.size());
    if (e == std::string_view::npos) break;  // no closed comment in the rest of the piece
    if (e == s + kOpen.size()) {
      // The empty comment "<!---->" is no tag; look on after it.
      scan = e + kClose.size();
      continue;
    }
    const std::size_t end = e + kClose.size();
    const std::string_view tag_text = piece.substr(s, end - s);
    out.append(piece.substr(p, s - p));
    if (values.GetTagText(tag_text, &value) == kTagKnown) {
      out.append(value);
    } else {
      out.append(tag_text);
    }
    p = scan = end;
  }
  out.append(piece.substr(p));
}

int ProcessTemplate(const std::string& template_path, const std::string& page_path, const TagValues& values,
                    std::string_view station_name, const PageLog& log) {
  File in(std::fopen(template_path.c_str(), "rb"));
  if (!in) {
    Log(log, std::string(LoadString(kCannotReadTemplate)) + template_path, station_name);
    return kPageFailed;
  }
  std::error_code same_ec;
  if (std::filesystem::equivalent(template_path, page_path, same_ec)) {
    Log(log, std::string(LoadString(kPageIsTemplate)) + page_path, station_name);
    return kPageFailed;
  }
  const std::string temp_path = page_path + ".part";
  File out(std::fopen(temp_path.c_str(), "wb"));
  if (!out) {
    Log(log, std::string(LoadString(kCannotWritePage)) + page_path, station_name);
    return kPageFailed;
  }
  std::string piece, text;
  bool ok = true;
  while (ok && ReadPiece(in.get(), piece)) {
    text.clear();
    SubstituteTags(piece, values, text);
    ok = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
  }
  ok = ok && !std::ferror(in.get());
  std::FILE* raw = out.release();
  ok = std::fclose(raw) == 0 && ok;
  std::error_code ec;
  if (ok) std::filesystem::rename(temp_path, page_path, ec);
  if (!ok || ec) {
    std::filesystem::remove(temp_path, ec);
    Log(log, std::string(LoadString(kPageWriteFailed)) + page_path, station_name);
    return kPageFailed;
  }
  return kPageWritten;
}

}  // namespace sq
