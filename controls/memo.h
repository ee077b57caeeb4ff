#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "controls/notifier.h"

namespace kestrel::controls {

// A multi-line text whose lines are the pieces between CR LF pairs.
//
// The text is kept whole and raw: appending a received chunk is plain concatenation, so a
// line that arrived in two chunks is one line again, and a CR at the end of one chunk pairs
// with an LF at the start of the next. A final CR LF opens no further line; an empty text
// has no lines; a line past the end reads as empty. A lone CR or LF is part of its line.
//
// The line index is kept up to date incrementally: appending costs time proportional to the
// appended text, however long the memo already is.
class Memo {
 public:
  Notifier changed;

  const std::string& Text() const { return text_; }
  void SetText(std::string_view text);
  void Clear() { SetText({}); }
  // Raw concatenation (a received chunk).
  void Append(std::string_view chunk);
  // Adds `line` as a new last line; a CR LF inside it makes several lines.
  void AddLine(std::string_view line);
  // Removes line `index` with its line break; an index past the end does nothing.
  void DeleteLine(std::size_t index);
  // Makes room for a text of `bytes` without changing it, so that appends up to that size
  // never copy the text (a large text is not briefly held twice). Never shrinks.
  void Reserve(std::size_t bytes) {
    if (bytes > text_.capacity()) text_.reserve(bytes);
  }

  std::size_t LineCount() const;
  // The lines that have their line break: all but a last line still being written.
  std::size_t EndedLineCount() const {
    const std::size_t lines = LineCount();
    return lines > 0 && !text_.ends_with("\r\n") ? lines - 1 : lines;
  }
  std::string_view Line(std::size_t index) const;
  std::vector<std::string> Lines() const;

  // Counts the changes that were not appends (a new text, a deleted line), so that a view
  // can append what is new instead of redrawing everything.
  std::size_t Revision() const { return revision_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

 private:
  void IndexNewText();

  std::string text_;
  // Offset of the first character of every line, and of the text's end after a final CR LF
  // (the line that opens only when more text arrives).
  std::vector<std::size_t> line_starts_;
  // Offset from which the text has not yet been searched for a line break.
  std::size_t scan_from_ = 0;
  std::size_t revision_ = 0;
  bool visible_ = true;
};

}  // namespace kestrel::controls
