#include "zip/FileMask.h"

#include <bitset>
#include <vector>

#include "core/SysUtils.h"

namespace zip {

namespace {
struct Token {
  enum Kind { Star, One, Set } kind;
  std::bitset<256> set;  // for One: the literal byte; for Set: the bytes allowed
};

std::vector<Token> Parse(const AnsiString& mask) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(mask[i]);
    Token t{Token::One, {}};
    if (c == '*') {
      t.kind = Token::Star;
    } else if (c == '?') {
      t.set.set();
    } else if (c == '<' && mask.find('>', i + 1) != AnsiString::npos) {
      std::size_t end = mask.find('>', i + 1);
      std::size_t j = i + 1;
      bool negate = j < end && (mask[j] == '!' || mask[j] == '^');
      if (negate) ++j;
      for (; j < end; ++j) {
        unsigned char lo = static_cast<unsigned char>(mask[j]);
        if (j + 2 < end && mask[j + 1] == '-') {
          unsigned char hi = static_cast<unsigned char>(mask[j + 2]);
          for (unsigned v = lo; v <= hi; ++v) t.set.set(v);
          j += 2;
        } else {
          t.set.set(lo);
        }
      }
      if (negate) t.set.flip();
      t.kind = Token::Set;
      i = end;
    } else {
      t.set.set(c);
    }
    tokens.push_back(t);
  }
  return tokens;
}
}  // namespace

bool MatchesMask(const AnsiString& maskIn, const AnsiString& nameIn) {
  if (maskIn == "*") return true;
  const AnsiString name = LowerCaseAscii(nameIn);
  const std::vector<Token> tokens = Parse(LowerCaseAscii(maskIn));
  // Greedy matching that backs up to the last star: linear in practice and
  // never worse than tokens x name.
  std::size_t t = 0, n = 0, starToken = SIZE_MAX, starName = 0;
  while (n < name.size()) {
    if (t < tokens.size() && tokens[t].kind == Token::Star) {
      starToken = t++;
      starName = n;
    } else if (t < tokens.size() && tokens[t].set.test(static_cast<unsigned char>(name[n]))) {
      ++t, ++n;
    } else if (starToken != SIZE_MAX) {
      t = starToken + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (t < tokens.size() && tokens[t].kind == Token::Star) ++t;
  return t == tokens.size();
}

}  // namespace zip
