// The side files of a conversion: names, and the schema written and read.

#include "model/sidefiles.h"

#include <gtest/gtest.h>

using namespace lw;

TEST(SideFiles, NamesBesideThePageFile) {
  const struct {
    const char *page, *side, *picture, *outline;
  } cases[] = {
      {"/t/a.b_1f/a.b_12.swf", "/t/a.b_1f/a.b_12.page.json", "/t/a.b_1f/a.b_12.jpg", "/t/a.b_1f/a.b_outline.json"},
      {"/t/a.b/page", "/t/a.b/page.page.json", "/t/a.b/page.jpg", ""},
      {"/t/x_0.swf", "/t/x_0.page.json", "/t/x_0.jpg", ""},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(PageSideFile(c.page), c.side);
    EXPECT_EQ(PagePictureFile(c.page), c.picture);
    EXPECT_EQ(OutlineFileFor(c.page), c.outline);
  }
}

TEST(SideFiles, APageReadsBackAsWrittenToItsPrecision) {
  const PageWords page{612.04, 792, {{72.26, 70, 40, 12, "Chapter"}, {116, 70, 10, 12, "café"}},
                       {{1, "One \"1\""}}, {{0.123456, 0.2, 0.3, 0.4, "https://a.b/", 0}, {0, 0, 1, 1, QString(), 7}}};
  const std::optional<PageWords> read = ParsePageSide(PageSideJson(page));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->width, 612);
  ASSERT_EQ(read->words.size(), 2u);
  EXPECT_EQ(read->words[0].x, 72.3);
  EXPECT_EQ(read->words[1].text, "café");
  ASSERT_EQ(read->headings.size(), 1u);
  EXPECT_EQ(read->headings[0].title, "One \"1\"");
  ASSERT_EQ(read->links.size(), 2u);
  EXPECT_EQ(read->links[0].x, 0.1235);
  EXPECT_EQ(read->links[0].url, "https://a.b/");
  EXPECT_EQ(read->links[1].target, 7);
}

TEST(SideFiles, OtherVersionsAndDamageAreRefused) {
  for (const char *bad : {"", "words 1 612 792\n", "[]", R"({"version":1,"width":1,"height":1})",
                          R"({"version":2,"width":1,"height":1})",
                          R"({"version":3,"width":1})", R"({"version":3,"width":1,"height":1)"})
    EXPECT_FALSE(ParsePageSide(bad).has_value()) << bad;
  EXPECT_FALSE(ParseOutlineFile(R"([{"title":"A","level":0,"page":1}])").has_value());
  const std::optional<std::vector<OutlineEntry>> outline =
      ParseOutlineFile(OutlineFileJson({{QString(300, 'x'), 1, 3}}));
  ASSERT_TRUE(outline.has_value());
  ASSERT_EQ(outline->size(), 1u);
  EXPECT_EQ((*outline)[0].title.size(), kMaxOutlineTitle);
  EXPECT_EQ((*outline)[0].page, 3);
  EXPECT_EQ(OutlineFileJson(std::vector<OutlineEntry>(kMaxOutlineEntries + 5)).count("title"), kMaxOutlineEntries);
}
