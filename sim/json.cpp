#include "sim/json.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace kestrel::sim::json {

namespace {

// Deeper nesting than any scenario has is refused rather than followed down the stack.
constexpr int kDeepest = 64;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  Value Document() {
    Value value = Any(0);
    Blanks();
    if (at_ != text_.size()) Fail("text after the end of the document");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(what + " at offset " + std::to_string(at_));
  }
  void Blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }
  char Next() {
    Blanks();
    if (at_ == text_.size()) Fail("unexpected end of the document");
    return text_[at_];
  }
  void Expect(char c) {
    if (Next() != c) Fail(std::string("'") + c + "' expected");
    ++at_;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  Value Any(int depth) {
    if (depth > kDeepest) Fail("nesting too deep");
    Value value;
    const char c = Next();
    if (c == '{') {
      value.kind = Value::Kind::kObject;
      ++at_;
      if (Next() == '}') {
        ++at_;
        return value;
      }
      for (;;) {
        if (Next() != '"') Fail("a member name expected");
        std::string key = String();
        Expect(':');
        value.members.push_back({std::move(key), Any(depth + 1)});
        if (Next() == ',') {
          ++at_;
          continue;
        }
        Expect('}');
        return value;
      }
    }
    if (c == '[') {
      value.kind = Value::Kind::kArray;
      ++at_;
      if (Next() == ']') {
        ++at_;
        return value;
      }
      for (;;) {
        value.items.push_back(Any(depth + 1));
        if (Next() == ',') {
          ++at_;
          continue;
        }
        Expect(']');
        return value;
      }
    }
    if (c == '"') {
      value.kind = Value::Kind::kString;
      value.text = String();
      return value;
    }
    if (Word("true") || Word("false")) {
      value.kind = Value::Kind::kBool;
      value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 4] == 't';
      return value;
    }
    if (Word("null")) return value;
    return Number();
  }

  Value Number() {
    const std::size_t begin = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    const auto digits = [&] {
      const std::size_t from = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ > from;
    };
    if (!digits()) Fail("a value expected");
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!digits()) Fail("digits expected after '.'");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) Fail("digits expected in the exponent");
    }
    Value value;
    value.kind = Value::Kind::kNumber;
    value.text = std::string(text_.substr(begin, at_ - begin));
    value.number = std::strtod(value.text.c_str(), nullptr);
    return value;
  }

  unsigned Hex4() {
    if (at_ + 4 > text_.size()) Fail("four hex digits expected");
    unsigned code = 0;
    const auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
    if (error != std::errc() || end != text_.data() + at_ + 4) Fail("four hex digits expected");
    at_ += 4;
    return code;
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xc0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xe0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
      out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
      out += static_cast<char>(0xf0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3f));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
      out += static_cast<char>(0x80 | (code & 0x3f));
    }
  }

  std::string String() {
    ++at_;  // the opening quote
    std::string out;
    for (;;) {
      if (at_ == text_.size()) Fail("unterminated string");
      const char c = text_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("a control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ == text_.size()) Fail("unterminated string");
      switch (const char e = text_[at_++]) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned code = Hex4();
          if (code >= 0xd800 && code < 0xdc00 && Word("\\u")) {
            const unsigned low = Hex4();
            if (low < 0xdc00 || low >= 0xe000) Fail("a lone surrogate");
            code = 0x10000 + ((code - 0xd800) << 10) + (low - 0xdc00);
          } else if (code >= 0xd800 && code < 0xe000) {
            Fail("a lone surrogate");
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          Fail("an unknown escape");
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

const Value* Value::Find(std::string_view key) const {
  for (auto it = members.rbegin(); it != members.rend(); ++it) {
    if (it->key == key) return &it->value;
  }
  return nullptr;
}

int Value::Int(int fallback) const {
  if (kind != Kind::kNumber || std::trunc(number) != number ||
      number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
    return fallback;
  }
  return static_cast<int>(number);
}

bool Value::Bool(bool fallback) const { return kind == Kind::kBool ? boolean : fallback; }

Value Parse(std::string_view text) { return Parser(text).Document(); }

}  // namespace kestrel::sim::json
