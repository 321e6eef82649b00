// A scan of the page's source token by token, just deep enough to know where code is
// (not a string, comment, template or regular expression) and what came before a `let`.
//
// The hard part is a `/`: a division after something that ends a value, the start of a
// regular expression anywhere else. What ends a value depends on more than the last
// character: `)` does, unless it closes the condition of an `if`, `while`, `for` or
// `with`; `}` does when it closes an object literal or the body of a function or class
// expression, not when it closes a block; a postfix `++` does; a keyword does not
// (`return /x/`), unless it is a property name (`a.return / 2`). So the scan keeps a
// stack of the brackets that are open and what each one is.
#include "source.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace cef_standin {
namespace script {
namespace {

bool IsLineTerminator(char16_t c) {
  return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029;
}

bool IsWhitespace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == 0xA0 || c == 0xFEFF ||
         c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool IsIdentifierPart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || IsDigit(c) || c == u'_' ||
         c == u'$' || c == u'\\' || (c >= 0x80 && !IsWhitespace(c) && !IsLineTerminator(c));
}

bool IsIdentifierStart(char16_t c) {
  return IsIdentifierPart(c) && !IsDigit(c) && c != u'\\';
}

// Words after which a `/` begins a regular expression rather than a division.
constexpr const char16_t* kOperatorKeywords[] = {u"return", u"typeof", u"instanceof", u"in",
                                                 u"of",     u"new",    u"delete",     u"void",
                                                 u"throw",  u"case",   u"do",         u"else"};

// Whose `(` holds a condition; the statement after its `)` may begin with a pattern.
constexpr const char16_t* kConditionKeywords[] = {u"if", u"while", u"for", u"with"};

// Words after which a `{` opens a block.
constexpr const char16_t* kBlockKeywords[] = {u"else", u"do", u"try", u"finally"};

// Longest first, so that the first match is the punctuator the language reads.
constexpr const char16_t* kPunctuators[] = {
    u">>>=", u"...", u"===", u"!==", u"**=", u"<<=", u">>=", u">>>", u"&&=", u"||=", u"?\?=",
    u"=>",   u"==",  u"!=",  u"<=",  u">=",  u"&&",  u"||",  u"?\?", u"?.",  u"++",  u"--",
    u"+=",   u"-=",  u"*=",  u"%=",  u"&=",  u"|=",  u"^=",  u"<<",  u">>",  u"**"};

// What the previous token was.
enum class Token { kStart, kWord, kValue, kPunctuator };

// An open bracket and what its closing one ends.
struct Bracket {
  char16_t open;            // `(`, `[`, `{`, `$` for a template's `${`, 0 for the top level
  bool condition = false;   // `(` of an `if`, `while`, `for` or `with`
  bool expression = false;  // `{` of an object literal or of a function or class expression
  int ternaries = 0;        // `?` seen inside whose `:` is still to come
};

class Scanner {
 public:
  explicit Scanner(std::u16string& text) : text_(text) {}

  void Run() {
    while (at_ < text_.size()) {
      const char16_t c = text_[at_];
      if (IsLineTerminator(c)) {
        newline_ = true;
        ++at_;
      } else if (IsWhitespace(c)) {
        ++at_;
      } else if (c == u'/' && Next() == u'/') {
        SkipLineComment();
      } else if (c == u'/' && Next() == u'*') {
        SkipBlockComment();
      } else if (c == u'\'' || c == u'"') {
        SkipString(c);
        Took(Token::kValue);
      } else if (c == u'`') {
        ++at_;
        SkipTemplate();
      } else if (c == u'/' && !EndsValue()) {
        SkipRegExp();
        Took(Token::kValue);
      } else if (IsDigit(c) || (c == u'.' && IsDigit(Next()))) {
        SkipNumber();
        Took(Token::kValue);
      } else if (IsIdentifierPart(c) || c == u'#') {
        Word();
      } else {
        Punctuator();
      }
    }
  }

 private:
  char16_t At(size_t at) const { return at < text_.size() ? text_[at] : 0; }
  char16_t Next() const { return At(at_ + 1); }

  bool WordIs(const char16_t* word) const {
    return text_.compare(wordStart_, wordLength_, word) == 0;
  }

  template <size_t N>
  bool WordIsOneOf(const char16_t* const (&words)[N]) const {
    for (const char16_t* word : words) {
      if (WordIs(word)) {
        return true;
      }
    }
    return false;
  }

  bool PunctuatorIs(const char16_t* punctuator) const {
    // The terminating zero too: `punctuator_` is zero after its characters.
    return previous_ == Token::kPunctuator &&
           std::char_traits<char16_t>::compare(
               punctuator_, punctuator, std::char_traits<char16_t>::length(punctuator) + 1) == 0;
  }

  // Done with a token: what the previous one did no longer counts.
  void Took(Token token) {
    previous_ = token;
    newline_ = false;
    propertyName_ = false;
    postfix_ = false;
    closedValue_ = false;
    openedExpression_ = false;
    colonInExpression_ = false;
    forParen_ = false;
  }

  void SetPunctuator(const char16_t* punctuator, size_t length) {
    std::char_traits<char16_t>::assign(punctuator_, sizeof punctuator_ / 2, 0);
    std::char_traits<char16_t>::copy(punctuator_, punctuator, length);
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
    at_ = std::min(at_ + 2, text_.size());
  }

  // A backslash and what it escapes: one character, or a CR LF line continuation whole.
  void SkipEscape() {
    at_ = std::min(at_ + (At(at_ + 1) == u'\r' && At(at_ + 2) == u'\n' ? 3 : 2), text_.size());
  }

  // A string literal; an unterminated one ends before its line's end. U+2028 and U+2029
  // may stand in a string as they are.
  void SkipString(char16_t quote) {
    ++at_;
    while (at_ < text_.size() && text_[at_] != quote) {
      if (text_[at_] == u'\r' || text_[at_] == u'\n') {
        return;
      }
      if (text_[at_] == u'\\') {
        SkipEscape();
      } else {
        ++at_;
      }
    }
    at_ = std::min(at_ + 1, text_.size());
  }

  // A template's text from where the scan stands: to its closing backtick (a value), or
  // to a `${`, whose expression the scan reads as code until its `}`.
  void SkipTemplate() {
    while (at_ < text_.size()) {
      const char16_t c = text_[at_];
      if (c == u'\\') {
        SkipEscape();
      } else if (c == u'`') {
        ++at_;
        Took(Token::kValue);
        return;
      } else if (c == u'$' && Next() == u'{') {
        at_ += 2;
        brackets_.push_back(Bracket{u'$'});
        Took(Token::kPunctuator);
        SetPunctuator(u"${", 2);
        return;
      } else {
        ++at_;
      }
    }
    Took(Token::kValue);
  }

  // To the closing `/` (not one in a class or escaped) and the flags; the line's end at most.
  void SkipRegExp() {
    ++at_;
    bool inClass = false;
    while (at_ < text_.size() && !IsLineTerminator(text_[at_])) {
      const char16_t c = text_[at_];
      if (c == u'\\') {
        ++at_;
        if (at_ < text_.size() && !IsLineTerminator(text_[at_])) {
          ++at_;
        }
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

  // Digits, letters of hex and suffixes, a fraction, and an exponent's sign.
  void SkipNumber() {
    const bool hex = text_[at_] == u'0' && (Next() | 0x20) == u'x';
    while (at_ < text_.size()) {
      const char16_t c = text_[at_];
      if (!hex && (c == u'+' || c == u'-') && (At(at_ - 1) | 0x20) == u'e') {
        ++at_;
      } else if (IsIdentifierPart(c) && c != u'\\') {
        ++at_;
      } else if (c == u'.') {
        ++at_;
      } else {
        return;
      }
    }
  }

  void SkipWord() {
    while (at_ < text_.size() && IsIdentifierPart(text_[at_])) {
      if (text_[at_] != u'\\') {
        ++at_;
      } else if (Next() == u'u' && At(at_ + 2) == u'{') {
        at_ += 3;
        while (at_ < text_.size() && IsIdentifierPart(text_[at_]) && text_[at_] != u'\\') {
          ++at_;
        }
        at_ += At(at_) == u'}' ? 1 : 0;
      } else {
        at_ = std::min(at_ + 2, text_.size());
      }
    }
  }

  // Whether the token before ends a value, so that a `/` here divides.
  bool EndsValue() const {
    switch (previous_) {
      case Token::kValue:
        return true;
      case Token::kWord:
        return propertyName_ || !WordIsOneOf(kOperatorKeywords);
      case Token::kPunctuator:
        return postfix_ || closedValue_;
      case Token::kStart:
        break;
    }
    return false;
  }

  // Whether a statement begins here for certain: the source's start, after `;`, a block's
  // `{` or `}`, a condition's `)`, `else` or `do`, the `:` of a label or a case, or a
  // line break after `return`.
  bool StatementBegins() const {
    switch (previous_) {
      case Token::kStart:
        return true;
      case Token::kWord:
        return !propertyName_ &&
               (WordIs(u"else") || WordIs(u"do") || (WordIs(u"return") && newline_));
      case Token::kPunctuator:
        if (PunctuatorIs(u";") || PunctuatorIs(u"{") || PunctuatorIs(u"}")) {
          return !closedValue_ && !openedExpression_;
        }
        if (PunctuatorIs(u")")) {
          return !closedValue_;
        }
        return PunctuatorIs(u":") && !colonInExpression_;
      case Token::kValue:
        break;
    }
    return false;
  }

  // Whether a `{` here opens a block (or a function's body) rather than an object literal.
  bool BraceOpensBlock() const {
    if (StatementBegins() || PunctuatorIs(u"=>") || PunctuatorIs(u")")) {
      return true;
    }
    if (previous_ == Token::kWord && !propertyName_ && WordIsOneOf(kBlockKeywords)) {
      return true;
    }
    return EndsValue() && newline_;  // a new statement, by automatic semicolon insertion
  }

  void Word() {
    const size_t start = at_;
    if (text_[at_] == u'#') {
      ++at_;
    }
    SkipWord();
    if (text_.compare(start, at_ - start, u"let") == 0 && LetStatementMayStart() && NameFollows()) {
      text_.replace(start, 3, u"var");
    }
    const bool propertyName = PunctuatorIs(u".") || PunctuatorIs(u"?.");
    if (!propertyName && (text_.compare(start, at_ - start, u"function") == 0 ||
                          text_.compare(start, at_ - start, u"class") == 0)) {
      // Its body is the next `{` at this depth; after an operator it is an expression.
      pendingBody_ = brackets_.size();
      pendingExpression_ = !StatementBegins() && !(EndsValue() && newline_);
    }
    Took(Token::kWord);
    wordStart_ = start;
    wordLength_ = at_ - start;
    propertyName_ = propertyName;
  }

  void Punctuator() {
    size_t length = 1;
    for (const char16_t* candidate : kPunctuators) {
      const size_t candidateLength = std::char_traits<char16_t>::length(candidate);
      if (text_.compare(at_, candidateLength, candidate) == 0 &&
          !(candidate[0] == u'?' && candidate[1] == u'.' && IsDigit(At(at_ + 2)))) {
        length = candidateLength;
        break;
      }
    }
    const char16_t c = text_[at_];
    const bool endsValue = EndsValue();
    const bool newline = newline_;
    bool postfix = false;
    bool closedValue = false;
    bool openedExpression = false;
    bool colonInExpression = false;
    bool forParen = false;
    if (c == u'(') {
      const bool condition =
          previous_ == Token::kWord && !propertyName_ && WordIsOneOf(kConditionKeywords);
      forParen = condition && WordIs(u"for");
      brackets_.push_back(Bracket{c, condition});
    } else if (c == u'[') {
      brackets_.push_back(Bracket{c});
    } else if (c == u'{') {
      Bracket bracket{c};
      if (pendingBody_ == brackets_.size()) {
        bracket.expression = pendingExpression_;
        pendingBody_ = kNone;
      } else {
        bracket.expression = !BraceOpensBlock();
      }
      openedExpression = bracket.expression;
      brackets_.push_back(bracket);
    } else if (c == u')' || c == u']' || c == u'}') {
      if (c == u'}' && brackets_.back().open == u'$') {
        brackets_.pop_back();
        ++at_;
        SkipTemplate();
        return;
      }
      const Bracket closed = brackets_.size() > 1 ? brackets_.back() : Bracket{c};
      if (brackets_.size() > 1) {
        brackets_.pop_back();
      }
      closedValue =
          c == u']' || (c == u')' && !closed.condition) || (c == u'}' && closed.expression);
      if (pendingBody_ != kNone && pendingBody_ > brackets_.size()) {
        pendingBody_ = kNone;
      }
    } else if (length == 2 && (c == u'+' || c == u'-') && text_[at_ + 1] == c) {
      postfix = endsValue && !newline;
    } else if (c == u'?' && length == 1) {
      ++brackets_.back().ternaries;
    } else if (c == u':') {
      Bracket& top = brackets_.back();
      if (top.ternaries > 0) {
        --top.ternaries;
        colonInExpression = true;
      } else {
        // A property's in an object literal; a label's or a case's in a block.
        colonInExpression = (top.open != u'{' && top.open != 0) || top.expression;
      }
    }
    if ((c == u';' || c == u',' || c == u':' || c == u'=') && pendingBody_ == brackets_.size()) {
      pendingBody_ = kNone;
    }
    Took(Token::kPunctuator);
    SetPunctuator(text_.data() + at_, length);
    at_ += length;
    postfix_ = postfix;
    closedValue_ = closedValue;
    openedExpression_ = openedExpression;
    colonInExpression_ = colonInExpression;
    forParen_ = forParen;
  }

  // Where a declaration may stand: the source's start, after `;`, `{`, `}` or a `:` (a
  // case), on a new line after a complete expression, or as `for (`'s first word.
  bool LetStatementMayStart() const {
    switch (previous_) {
      case Token::kStart:
        return true;
      case Token::kPunctuator:
        if (PunctuatorIs(u";") || PunctuatorIs(u"{") || PunctuatorIs(u"}") || PunctuatorIs(u":")) {
          return true;
        }
        if (PunctuatorIs(u"(")) {
          return forParen_;
        }
        return newline_ && EndsValue();
      case Token::kWord:
        return newline_ && (propertyName_ || !WordIsOneOf(kOperatorKeywords));
      case Token::kValue:
        return newline_;
    }
    return false;
  }

  // A name follows, past spaces, line breaks and comments (not `in` or `instanceof`, which
  // make `let` an operand).
  bool NameFollows() const {
    size_t at = at_;
    while (at < text_.size()) {
      if (IsWhitespace(text_[at]) || IsLineTerminator(text_[at])) {
        ++at;
      } else if (text_[at] == u'/' && At(at + 1) == u'*') {
        const size_t end = text_.find(u"*/", at + 2);
        at = end == std::u16string::npos ? text_.size() : end + 2;
      } else if (text_[at] == u'/' && At(at + 1) == u'/') {
        while (at < text_.size() && !IsLineTerminator(text_[at])) {
          ++at;
        }
      } else {
        break;
      }
    }
    if (at >= text_.size() || !IsIdentifierStart(text_[at])) {
      return false;
    }
    size_t end = at;
    while (end < text_.size() && IsIdentifierPart(text_[end])) {
      ++end;
    }
    return text_.compare(at, end - at, u"in") != 0 &&
           text_.compare(at, end - at, u"instanceof") != 0;
  }

  std::u16string& text_;
  size_t at_ = 0;
  Token previous_ = Token::kStart;
  bool newline_ = false;  // a line break since the previous token
  // The previous word (kWord), as a range of the text.
  size_t wordStart_ = 0;
  size_t wordLength_ = 0;
  bool propertyName_ = false;  // the previous word follows a `.`: a name, whatever it is
  // The previous punctuator (kPunctuator) and what it did.
  char16_t punctuator_[5] = {};
  bool postfix_ = false;            // a postfix `++` or `--`
  bool closedValue_ = false;        // a `)`, `]` or `}` that ends a value
  bool openedExpression_ = false;   // a `{` of an object literal or function expression
  bool colonInExpression_ = false;  // a `:` of a conditional or of an object literal
  bool forParen_ = false;           // the `(` of a `for`
  // The open brackets, innermost last, above the source's top level.
  std::vector<Bracket> brackets_{Bracket{0}};
  // The depth of the function or class whose body's `{` is still to come.
  static constexpr size_t kNone = static_cast<size_t>(-1);
  size_t pendingBody_ = kNone;
  bool pendingExpression_ = false;
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
