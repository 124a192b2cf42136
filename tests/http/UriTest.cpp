// URL parsing and the folding of a requested URL into a client's current URL.
#include <gtest/gtest.h>

#include "http/HttpUri.h"

namespace {

struct ParseCase {
  const char* url;
  const char* protocol;
  const char* host;
  const char* port;
  const char* path;
  const char* document;
  const char* params;
  const char* bookmark;
  const char* user;
  const char* password;
};

const ParseCase kParseCases[] = {
    {"http://h/version/version.php", "http", "h", "", "/version/", "version.php", "", "", "", ""},
    {"http://h:8080/a/b.zip", "http", "h", "8080", "/a/", "b.zip", "", "", "", ""},
    {"http://h/a b/c.zip", "http", "h", "", "/a b/", "c.zip", "", "", "", ""},
    {"http://h/p/x.php?a=1#top", "http", "h", "", "/p/", "x.php", "?a=1", "top", "", ""},
    {"http://h/p/x.php#top", "http", "h", "", "/p/", "x.php", "", "top", "", ""},
    // An "=" without "?" starts the parameters.
    {"http://h/dl/file=1.zip", "http", "h", "", "/dl/", "file", "=1.zip", "", "", ""},
    {"http://h/q?u=/a/b", "http", "h", "", "/", "q", "?u=/a/b", "", "", ""},
    {"http://h\\dir\\f.zip", "http", "h", "", "/dir/", "f.zip", "", "", "", ""},
    {"http://h", "http", "h", "", "/", "", "", "", "", ""},
    {"http://h/", "http", "h", "", "/", "", "", "", "", ""},
    {"http://u:pw@h:81/x", "http", "h", "81", "/", "x", "", "", "u", "pw"},
    {"http://:pw@h/x", "http", "h", "", "/", "x", "", "", "", ""},
    {"ftp://h/x", "ftp", "h", "", "/", "x", "", "", "", ""},
    // Relative forms: no leading "/" is added and a "#" stays in the document.
    {"a/b.php?x=1", "", "", "", "a/", "b.php", "?x=1", "", "", ""},
    {"b.php#m", "", "", "", "", "b.php#m", "", "", "", ""},
    {"/abs/b.php", "", "", "", "/abs/", "b.php", "", "", "", ""},
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.url; }

class UriParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(UriParse, CutsIntoParts) {
  const ParseCase& c = GetParam();
  TUri u = ParseUri(c.url);
  EXPECT_EQ(u.Protocol, c.protocol);
  EXPECT_EQ(u.Host, c.host);
  EXPECT_EQ(u.Port, c.port);
  EXPECT_EQ(u.Path, c.path);
  EXPECT_EQ(u.Document, c.document);
  EXPECT_EQ(u.Params, c.params);
  EXPECT_EQ(u.Bookmark, c.bookmark);
  EXPECT_EQ(u.UserName, c.user);
  EXPECT_EQ(u.Password, c.password);
}

INSTANTIATE_TEST_SUITE_P(Table, UriParse, ::testing::ValuesIn(kParseCases));

TEST(UriParse, BackslashInsideDoubleByteCharacterIsKept) {
  // "\x95\x5C" is one code page 936 character whose trail byte is a backslash.
  TUri u = ParseUri("http://h/\x95\x5C\\f.zip");
  EXPECT_EQ(u.Path, "/\x95\x5C/");
  EXPECT_EQ(u.Document, "f.zip");
}

struct ResolveCase {
  const char* base;
  const char* path;
  const char* expected;
};

TEST(ResolveRelativePath, Table) {
  const ResolveCase cases[] = {
      {"/a/", "b/", "/a/b/"},       {"/a", "b/", "/a/b/"},     {"/a/b/", "../c/", "/a/c/"},
      {"/a/", "", "/a/"},           {"/a//", "b//c/", "/a/b/c/"}, {"/", "../../x/", "/x/"},
      {"/a/", "./b/", "/a/./b/"},   {"/a/", "b", "/a/b"},      {"", "x/", "/x/"},
  };
  for (const ResolveCase& c : cases) EXPECT_EQ(ResolveRelativePath(c.base, c.path), c.expected) << c.base << " + " << c.path;
}

}  // namespace
