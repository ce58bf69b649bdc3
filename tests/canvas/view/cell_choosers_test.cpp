#include "canvas/view/cell_choosers.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "db/library.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"

namespace {

// Records the lists shown as well as the questions.
class ListPrompts : public ScriptedCanvasPrompts {
 public:
  std::vector<std::vector<std::string>> lists;
  std::vector<std::string> listCaptions;
  int AskChoice(const std::string& message, const std::string& caption,
                const std::vector<std::string>& names) override {
    lists.push_back(names);
    listCaptions.push_back(caption);
    return ScriptedCanvasPrompts::AskChoice(message, caption, names);
  }
};

// count cells named c0000, c0001, ...
void AddCells(Library& lib, int count) {
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "c%04d", i);
    lib.CreateCell(name);
  }
}

}  // namespace

TEST(CellPattern, MatchesWholeNamesCaseSensitively) {
  EXPECT_FALSE(MatchesCellPattern("A*", "a1"));
  EXPECT_TRUE(MatchesCellPattern("a*", "a1"));
  EXPECT_TRUE(MatchesCellPattern("?1", "a1"));
  EXPECT_FALSE(MatchesCellPattern("?1", "a10"));
  EXPECT_TRUE(MatchesCellPattern("*1*", "a10"));
  EXPECT_TRUE(MatchesCellPattern("a*b*c", "aXbYbZc"));
  EXPECT_FALSE(MatchesCellPattern("a*b*c", "aXbYbZ"));
  EXPECT_TRUE(MatchesCellPattern("**", ""));
  EXPECT_FALSE(MatchesCellPattern("?", ""));
  EXPECT_FALSE(MatchesCellPattern("inv", "inv2"));
}

TEST(ChooseCell, UpToAThousandNamesMakeOneList) {
  Library lib("unused", false);
  AddCells(lib, 1000);
  ListPrompts prompts;
  const std::optional<CellList> list = ChooseCell(lib, prompts);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->names.size(), 1000u);
  EXPECT_EQ(list->message, "Select cell (total 1000 cells)");
  EXPECT_TRUE(prompts.asked.empty());
}

TEST(ChooseCell, MoreNamesArePagedInBlocksOfAThousand) {
  for (int count : {1001, 2500}) {
    Library lib("unused", false);
    AddCells(lib, count);
    ListPrompts prompts;
    const size_t blocks = size_t(count - 1) / 1000 + 1;
    prompts.items.push_back(int(blocks) - 1);
    const std::optional<CellList> list = ChooseCell(lib, prompts);
    ASSERT_TRUE(list);
    ASSERT_EQ(prompts.lists.size(), 1u);
    EXPECT_EQ(prompts.lists[0].size(), blocks);
    EXPECT_EQ(prompts.lists[0].back(), count == 1001 ? "c1000" : "c2000");
    EXPECT_EQ(prompts.listCaptions[0], "Open Cell");
    EXPECT_EQ(prompts.asked[0], "Select range (starting cell, alphanumeric order) to open sublist (total " +
                                    std::to_string(count) + " cells)");
    EXPECT_EQ(list->names.size(), count == 1001 ? 1u : 500u);
    EXPECT_EQ(list->names.front(), prompts.lists[0].back());
    EXPECT_EQ(list->message, "Select cell in this range");
  }
  Library lib("unused", false);
  AddCells(lib, 1001);
  ListPrompts cancelled;
  EXPECT_FALSE(ChooseCell(lib, cancelled));
}

TEST(OpenCell, AsksAgainUntilThePatternMatches) {
  Library lib("unused", false);
  for (const char* name : {"a1", "a10", "b1", "A7"}) lib.CreateCell(name);
  ListPrompts prompts;
  prompts.texts = {"z*", "?1"};
  prompts.items = {1};
  EXPECT_EQ(OpenCell(lib, prompts, "Insert Instance"), "b1");
  EXPECT_EQ(prompts.asked.size(), 3u);
  EXPECT_EQ(prompts.asked[2], "Select cell from 2 cells");
  EXPECT_EQ(prompts.lists[0], (std::vector<std::string>{"a1", "b1"}));
  EXPECT_EQ(prompts.listCaptions[0], "Insert Instance");
  // "*" lists every name; Cancel in the list and an empty pattern choose nothing.
  prompts.texts = {"*"};
  EXPECT_EQ(OpenCell(lib, prompts, "Open Cell"), "");
  EXPECT_EQ(prompts.lists.back(), (std::vector<std::string>{"A7", "a1", "a10", "b1"}));
  EXPECT_EQ(OpenCell(lib, prompts, "Open Cell"), "");
}
