// The text window alone: the text streams through whole, in any pieces, a line at a time into
// a short Window, and a search may take all that is loaded.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "reading/ReadAhead.h"
#include "reading/TextWindow.h"

namespace trelvo {
namespace {

TEST(TextWindow, StreamsTheTextThroughALineAtATime) {
  std::string text = "a\nbb\n<ccc>\n";
  for (int i = 0; i < 3000; ++i) text += std::to_string(i) + (i % 7 == 0 ? "\n" : " <x> ");
  text += std::string(3000000, 'y') + "\nend";  // a line far longer than a block
  for (const size_t piece : {size_t{1}, size_t{3}, size_t{64}, size_t{4096}, SIZE_MAX}) {
    TTextWindow window;
    window.Open(std::make_unique<TMemorySource>(text, piece));
    // A line at a time while the Window is short of a chunk.
    ASSERT_TRUE(window.Grow(TTextWindow::TGrowth::kLine));
    EXPECT_EQ(window.Text(), "a\n");
    ASSERT_TRUE(window.Grow(TTextWindow::TGrowth::kLine));
    EXPECT_EQ(window.Text(), "a\nbb\n");
    window.Consume(2);
    EXPECT_EQ(window.Text(), "bb\n");
    ASSERT_TRUE(window.Grow(TTextWindow::TGrowth::kLine));
    EXPECT_EQ(window.Text(), "bb\n<ccc>\n");
    EXPECT_EQ(window.FindLessThan(), window.Start() + 3);
    // Back to where the Window started (nothing loaded since), then all of the rest.
    const size_t start = window.Start();
    window.Consume(3);
    EXPECT_EQ(window.Behind(start), "bb\n");
    window.SkipTo(start);
    // The text behind the Window is what passed through it, or none once dropped.
    std::string seen;
    size_t from = start;
    while (window.Length() > 0 || window.Grow(TTextWindow::TGrowth::kLine)) {
      const std::string_view behind = window.Behind(from);
      ASSERT_TRUE(behind.empty() || behind == std::string_view(text).substr(from, behind.size()));
      from = window.Start();
      seen += window.Text();
      window.Consume(window.Length());
    }
    EXPECT_EQ(seen.size(), text.size() - 2) << "pieces of " << piece;
    EXPECT_TRUE(seen == text.substr(2)) << "pieces of " << piece;
    EXPECT_FALSE(window.Grow(TTextWindow::TGrowth::kLine));
  }
}

// Read ahead, each block becomes the buffer as it stands, with only the text the Window still
// holds copied in front of it; text held longer than that room is copied as from any source.
TEST(TextWindow, TakesOverTheBlocksReadAheadAndCopiesOnlyWhatItHolds) {
  std::string text;
  for (int i = 0; text.size() < 1500000; ++i) text += std::to_string(i) + (i % 5 != 0 ? " " : "\n");
  for (const size_t piece : {size_t{70001}, SIZE_MAX}) {
    TTextWindow window;
    window.Open(ReadAhead(std::make_unique<TMemorySource>(text, piece)));
    std::string seen;
    size_t from = 0;
    bool held = false;
    while (window.Length() > 0 || window.Grow(TTextWindow::TGrowth::kLine)) {
      if (!held && window.Start() > 400000) {
        // 300 KB held while more is loaded: more than the room in front of a block.
        held = true;
        while (window.Length() < 300000 && window.Grow(TTextWindow::TGrowth::kAnyLength)) {
        }
        ASSERT_TRUE(window.Text() ==
                    std::string_view(text).substr(window.Start(), window.Length()));
      }
      const std::string_view behind = window.Behind(from);
      ASSERT_TRUE(behind.empty() || behind == std::string_view(text).substr(from, behind.size()));
      from = window.Start();
      seen += window.Text();
      window.Consume(window.Length());
    }
    EXPECT_TRUE(held);
    EXPECT_EQ(seen.size(), text.size()) << "pieces of " << piece;
    EXPECT_TRUE(seen == text) << "pieces of " << piece;
    EXPECT_EQ(window.BytesRead(), text.size());
  }
}

TEST(TextWindow, ASearchTakesAllThatIsLoadedAndGivesBackAChunk) {
  const std::string text = "<a>\n<b>\n<c>\n";
  TTextWindow window;
  window.Open(std::make_unique<TMemorySource>(text));
  ASSERT_TRUE(window.Grow(TTextWindow::TGrowth::kAllLoaded));
  EXPECT_EQ(window.Text(), text);
  window.SetChunkSize(4);
  window.PushBackExcess();
  EXPECT_EQ(window.Text(), "<a>\n");
  window.SetEnd(window.Start() + 1);
  EXPECT_EQ(window.Text(), "<");
  EXPECT_EQ(window.FindLessThan(), window.Start());
  window.Consume(1);
  EXPECT_EQ(window.FindLessThan(), window.End());
  EXPECT_FALSE(window.Grow(TTextWindow::TGrowth::kAllLoaded) && window.Length() > text.size());
}

}  // namespace
}  // namespace trelvo
