#include "controls/memo.h"

namespace kestrel::controls {

namespace {
constexpr std::string_view kLineBreak = "\r\n";
}

void Memo::SetText(std::string_view text) {
  text_.assign(text);
  ++revision_;
  line_starts_.clear();
  scan_from_ = 0;
  IndexNewText();
  changed.Notify();
}

void Memo::Append(std::string_view chunk) {
  if (chunk.empty()) return;
  text_.append(chunk);
  IndexNewText();
  changed.Notify();
}

void Memo::AddLine(std::string_view line) {
  if (!text_.empty() && !text_.ends_with(kLineBreak)) text_.append(kLineBreak);
  text_.append(line);
  text_.append(kLineBreak);
  IndexNewText();
  changed.Notify();
}

void Memo::DeleteLine(std::size_t index) {
  if (index >= LineCount()) return;
  const std::size_t begin = line_starts_[index];
  const std::size_t end = index + 1 < line_starts_.size() ? line_starts_[index + 1] : text_.size();
  text_.erase(begin, end - begin);
  ++revision_;
  line_starts_.resize(index);
  if (index > 0) line_starts_.push_back(begin);  // the line after the previous CR LF
  scan_from_ = begin;
  IndexNewText();
  changed.Notify();
}

// Extends the line index over text added since the last call.
void Memo::IndexNewText() {
  if (line_starts_.empty() && !text_.empty()) line_starts_.push_back(0);
  std::size_t pos = scan_from_;
  for (std::size_t found; (found = text_.find(kLineBreak, pos)) != std::string::npos;) {
    pos = found + kLineBreak.size();
    line_starts_.push_back(pos);
  }
  // A CR at the very end may yet pair with an LF at the start of the next chunk.
  scan_from_ = !text_.empty() && text_.back() == '\r' ? text_.size() - 1 : text_.size();
}

std::size_t Memo::LineCount() const {
  if (line_starts_.empty()) return 0;
  return line_starts_.back() == text_.size() && line_starts_.size() > 1 ? line_starts_.size() - 1
                                                                        : line_starts_.size();
}

std::string_view Memo::Line(std::size_t index) const {
  if (index >= LineCount()) return {};
  const std::size_t begin = line_starts_[index];
  const std::size_t end =
      index + 1 < line_starts_.size() ? line_starts_[index + 1] - kLineBreak.size() : text_.size();
  return std::string_view(text_).substr(begin, end - begin);
}

std::vector<std::string> Memo::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(LineCount());
  for (std::size_t i = 0; i < LineCount(); ++i) lines.emplace_back(Line(i));
  return lines;
}

void Memo::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  changed.Notify();
}

}  // namespace kestrel::controls
