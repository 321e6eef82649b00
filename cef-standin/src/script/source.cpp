// A scan of the page's source token by token, just deep enough to know where code is
// (not a string, comment, template or regular expression) and what came before a `let`.
#include "source.h"

namespace cef_standin {
namespace script {
namespace {

bool IsLineTerminator(char16_t c) {
  return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029;
}

bool IsIdentifierPart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'$' || c == u'\\' || c >= 0x80;
}

bool IsIdentifierStart(char16_t c) {
  return IsIdentifierPart(c) && !(c >= u'0' && c <= u'9') && c != u'\\';
}

// Words after which a `/` begins a regular expression rather than a division.
bool IsOperatorKeyword(const std::u16string& word) {
  for (const char16_t* keyword : {u"return", u"typeof", u"instanceof", u"in", u"of", u"new",
                                  u"delete", u"void", u"throw", u"case", u"do", u"else"}) {
    if (word == keyword) {
      return true;
    }
  }
  return false;
}

// What the previous token was.
enum class Token { kStart, kWord, kValue, kPunctuator };

class Scanner {
 public:
  explicit Scanner(std::u16string& text) : text_(text) {}

  void Run() {
    while (at_ < text_.size()) {
      const char16_t c = text_[at_];
      if (IsLineTerminator(c)) {
        newline_ = true;
        ++at_;
      } else if (c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == 0xA0 || c == 0xFEFF) {
        ++at_;
      } else if (c == u'/' && Next() == u'/') {
        SkipLineComment();
      } else if (c == u'/' && Next() == u'*') {
        SkipBlockComment();
      } else if (c == u'\'' || c == u'"') {
        SkipQuoted(c);
        Took(Token::kValue);
      } else if (c == u'`') {
        SkipQuoted(c);
        Took(Token::kValue);
      } else if (c == u'/' && RegExpMayStart()) {
        SkipRegExp();
        Took(Token::kValue);
      } else if (c >= u'0' && c <= u'9') {
        SkipWord();  // digits, letters of hex, exponents and suffixes alike
        Took(Token::kValue);
      } else if (IsIdentifierPart(c)) {
        Word();
      } else {
        forParen_ = c == u'(' && previous_ == Token::kWord && word_ == u"for";
        punctuator_ = c;
        ++at_;
        Took(Token::kPunctuator);
      }
    }
  }

 private:
  char16_t Next() const { return at_ + 1 < text_.size() ? text_[at_ + 1] : 0; }

  void Took(Token token) {
    previous_ = token;
    newline_ = false;
  }

  void SkipLineComment() {
    while (at_ < text_.size() && !IsLineTerminator(text_[at_])) {
      ++at_;
    }
  }

  void SkipBlockComment() {
    at_ += 2;
    while (at_ < text_.size() && !(text_[at_] == u'*' && Next() == u'/')) {
      newline_ = newline_ || IsLineTerminator(text_[at_]);
      ++at_;
    }
    at_ += 2;
  }

  // A string or template literal, escapes included; an unterminated string ends at its line.
  void SkipQuoted(char16_t quote) {
    ++at_;
    while (at_ < text_.size() && text_[at_] != quote) {
      if (quote != u'`' && IsLineTerminator(text_[at_])) {
        return;
      }
      at_ += text_[at_] == u'\\' ? 2 : 1;
    }
    ++at_;
  }

  // After a value, `)` or `]` a `/` divides; anywhere else it begins a regular expression.
  // A `}` counts as a block's end: when it ends an object literal instead, the division
  // that follows is skipped over as if it were a pattern, which at worst leaves a `let` as
  // it was.
  bool RegExpMayStart() const {
    switch (previous_) {
      case Token::kValue:
        return false;
      case Token::kWord:
        return IsOperatorKeyword(word_);
      case Token::kPunctuator:
        return punctuator_ != u')' && punctuator_ != u']';
      case Token::kStart:
        break;
    }
    return true;
  }

  // To the closing `/` (not one in a class or escaped) and the flags; the line's end at most.
  void SkipRegExp() {
    ++at_;
    bool inClass = false;
    while (at_ < text_.size() && !IsLineTerminator(text_[at_])) {
      const char16_t c = text_[at_];
      if (c == u'\\') {
        at_ += 2;
        continue;
      }
      ++at_;
      if (c == u'[') {
        inClass = true;
      } else if (c == u']') {
        inClass = false;
      } else if (c == u'/' && !inClass) {
        break;
      }
    }
    SkipWord();
  }

  void SkipWord() {
    while (at_ < text_.size() && IsIdentifierPart(text_[at_])) {
      at_ += text_[at_] == u'\\' ? 2 : 1;
    }
  }

  void Word() {
    const size_t start = at_;
    SkipWord();
    std::u16string word = text_.substr(start, at_ - start);
    if (word == u"let" && StatementMayStart() && NameFollows()) {
      text_.replace(start, 3, u"var");
      word = u"var";
    }
    word_ = std::move(word);
    Took(Token::kWord);
  }

  // Where a declaration may stand: the source's start, after `;`, `{`, `}` or a `:` (a
  // case), on a new line after a complete expression, or as `for (`'s first word.
  bool StatementMayStart() const {
    switch (previous_) {
      case Token::kStart:
        return true;
      case Token::kPunctuator:
        if (punctuator_ == u';' || punctuator_ == u'{' || punctuator_ == u'}' ||
            punctuator_ == u':') {
          return true;
        }
        if (punctuator_ == u'(') {
          return forParen_;
        }
        return newline_ && (punctuator_ == u')' || punctuator_ == u']');
      case Token::kWord:
        return newline_ && !IsOperatorKeyword(word_);
      case Token::kValue:
        return newline_;
    }
    return false;
  }

  // A name follows (not `in` or `instanceof`, which make `let` an operand).
  bool NameFollows() const {
    size_t at = at_;
    while (at < text_.size() &&
           (text_[at] == u' ' || text_[at] == u'\t' || IsLineTerminator(text_[at]))) {
      ++at;
    }
    if (at >= text_.size() || !IsIdentifierStart(text_[at])) {
      return false;
    }
    size_t end = at;
    while (end < text_.size() && IsIdentifierPart(text_[end])) {
      ++end;
    }
    const std::u16string name = text_.substr(at, end - at);
    return name != u"in" && name != u"instanceof";
  }

  std::u16string& text_;
  size_t at_ = 0;
  Token previous_ = Token::kStart;
  bool newline_ = false;
  char16_t punctuator_ = 0;
  std::u16string word_;    // the last word seen
  bool forParen_ = false;  // the last punctuator is the `(` of a `for`
};

}  // namespace

std::u16string LetDeclarationsAsVar(const std::u16string& source) {
  if (source.find(u"let") == std::u16string::npos) {
    return source;
  }
  std::u16string text = source;
  Scanner(text).Run();
  return text;
}

}  // namespace script
}  // namespace cef_standin
