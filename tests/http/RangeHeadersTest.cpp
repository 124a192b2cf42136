// The header fields of resumed transfers, read as RFC 9110 writes them:
// Content-Range (14.4), ETag (8.8.3), Retry-After (10.2.3) and the validator
// an If-Range request may carry (13.1.5, 8.8.2.2).
#include <gtest/gtest.h>

#include <climits>
#include <ctime>

#include "http/RangeHeaders.h"

namespace {

struct ContentRangeCase {
  const char* value;
  bool satisfied;
  std::int64_t first, last, complete;
};

TEST(ContentRange, TheFormsOfTheField) {
  const ContentRangeCase cases[] = {
      // The examples of the RFC.
      {"bytes 42-1233/1234", true, 42, 1233, 1234},
      {"bytes 42-1233/*", true, 42, 1233, -1},
      {"bytes */1234", false, -1, -1, 1234},
      {"bytes 21010-47021/47022", true, 21010, 47021, 47022},
      // Range units are case-insensitive; one byte and the whole are ranges too.
      {"Bytes 0-0/1", true, 0, 0, 1},
      {"BYTES 0-9/10", true, 0, 9, 10},
      {"bytes */0", false, -1, -1, 0},
      {"bytes 9223372036854775806-9223372036854775806/9223372036854775807", true, INT64_MAX - 1, INT64_MAX - 1,
       INT64_MAX},
  };
  for (const ContentRangeCase& c : cases) {
    SCOPED_TRACE(c.value);
    auto r = ParseContentRange(c.value);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->Satisfied, c.satisfied);
    EXPECT_EQ(r->First, c.first);
    EXPECT_EQ(r->Last, c.last);
    EXPECT_EQ(r->Complete, c.complete);
    EXPECT_EQ(r->Length(), c.satisfied ? c.last - c.first + 1 : 0);
  }
}

TEST(ContentRange, InvalidValues) {
  const char* values[] = {// A last position before the first, or a complete length that does not
                          // reach past the last position, makes the field invalid.
                          "bytes 5-4/10", "bytes 0-9/9", "bytes 0-9/0",
                          // Anything off the grammar.
                          "bytes 0-9", "bytes=0-9/10", "bytes  0-9/10", "bytes 0-9/10 ", "bytes -1-9/10",
                          "bytes +0-9/10", "bytes 0--9/10", "bytes 0-9/1O", "bytes */*", "bytes */", "items 0-9/10",
                          "byte 0-9/10", "0-9/10", "", "bytes 0-99999999999999999999/*"};
  for (const char* v : values) EXPECT_FALSE(ParseContentRange(v).has_value()) << v;
}

TEST(EntityTag, TheFormsOfTheField) {
  struct Case {
    const char* value;
    bool weak;
    const char* opaque;
  } cases[] = {
      {"\"xyzzy\"", false, "\"xyzzy\""},
      {"W/\"xyzzy\"", true, "\"xyzzy\""},
      {"\"\"", false, "\"\""},
      {"\"5f3a-1c9\"", false, "\"5f3a-1c9\""},
      {"\"!#~\x80\xff\"", false, "\"!#~\x80\xff\""},  // etagc takes obs-text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    auto tag = ParseEntityTag(c.value);
    ASSERT_TRUE(tag.has_value());
    EXPECT_EQ(tag->Weak, c.weak);
    EXPECT_EQ(tag->Opaque, c.opaque);
    EXPECT_EQ(tag->Text(), c.value);
  }
}

TEST(EntityTag, InvalidValues) {
  const char* values[] = {"xyzzy",     "w/\"xyzzy\"" /* the weak prefix is case-sensitive */,
                          "W/xyzzy",   "\"a\"b\"",
                          "\"a b\"",   "\"a\tb\"",
                          "\"a\x7f\"", "\"",
                          "W/",        "W/\"",
                          "\"abc",     ""};
  for (const char* v : values) EXPECT_FALSE(ParseEntityTag(v).has_value()) << v;
}

TEST(EntityTag, StrongComparisonAsTheRfcTabulatesIt) {
  struct Case {
    const char *a, *b;
    bool strong;
  } cases[] = {
      {"W/\"1\"", "W/\"1\"", false}, {"W/\"1\"", "W/\"2\"", false}, {"W/\"1\"", "\"1\"", false},
      {"\"1\"", "\"1\"", true},      {"\"1\"", "\"2\"", false},
  };
  for (const Case& c : cases) {
    auto a = ParseEntityTag(c.a), b = ParseEntityTag(c.b);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->StrongMatch(*b), c.strong) << c.a << " " << c.b;
    EXPECT_EQ(b->StrongMatch(*a), c.strong) << c.b << " " << c.a;
  }
}

// 1999-12-31 23:59:59 UTC, the RFC's example date, from the calendar.
std::time_t EndOf1999() {
  std::tm t{};
  t.tm_year = 99, t.tm_mon = 11, t.tm_mday = 31, t.tm_hour = 23, t.tm_min = 59, t.tm_sec = 59;
#ifdef _WIN32
  return _mkgmtime(&t);
#else
  return timegm(&t);
#endif
}

TEST(RetryAfter, SecondsOrADateCountedFromNow) {
  const std::time_t date = EndOf1999();
  struct Case {
    const char* value;
    std::time_t now;
    std::optional<std::int64_t> seconds;
  } cases[] = {
      {"120", date, 120},
      {"0", date, 0},
      {"Fri, 31 Dec 1999 23:59:59 GMT", date - 30, 30},
      {"Fri, 31 Dec 1999 23:59:59 GMT", date + 30, 0},  // already past: no wait
      {"Friday, 31-Dec-99 23:59:59 GMT", date - 5, 5},  // the obsolete forms of an HTTP-date
      {"Fri Dec 31 23:59:59 1999", date - 5, 5},
      {"99999999999999999999999", date, INT64_MAX},
      {"-1", date, std::nullopt},
      {"1.5", date, std::nullopt},
      {"12s", date, std::nullopt},
      {"soon", date, std::nullopt},
      {"", date, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseRetryAfter(c.value, c.now), c.seconds) << c.value;
}

TEST(IfRange, AStrongEntityTagElseAStrongDateElseNothing) {
  const char* modified = "Sun, 06 Nov 1994 08:49:37 GMT";
  struct Case {
    const char *etag, *lastModified, *date, *validator;
  } cases[] = {
      {"\"v1\"", modified, "Sun, 06 Nov 1994 08:49:38 GMT", "\"v1\""},
      {"\"v1\"", "", "", "\"v1\""},
      // A weak tag is never sent; the date stands in when it is a second
      // older than the response, and is sent as the server wrote it.
      {"W/\"v1\"", modified, "Sun, 06 Nov 1994 08:49:38 GMT", modified},
      {"", modified, "Mon, 07 Nov 1994 00:00:00 GMT", modified},
      {"", modified, "Sun, 06 Nov 1994 08:49:37 GMT", ""},  // modified within the second: weak
      {"", modified, "", ""},
      {"bad", "", "", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IfRangeValidator(c.etag, c.lastModified, c.date), c.validator) << c.etag << " | " << c.date;
}

}  // namespace
