// The entry table: names and order, the stop at the first missing name, and a
// real context that has all eight.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gl/gl_entries.hpp"
#include "gl/offscreen.hpp"
#include "tests/gl/gl_test_context.hpp"

namespace {

// A loader that answers every name with a distinct non-null token, except the
// name it is told to lack; it records the names it was asked for.
struct FakeLoader {
  static inline std::vector<std::string> asked;
  static inline std::string missing;
  static void* get(const char* name) {
    asked.emplace_back(name);
    if (missing == name) return nullptr;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + asked.size()));
  }
};

TEST(GlEntries, NamesInTheFixedOrder) {
  const char* expected[] = {"glCreateShaderProgramv", "glGenProgramPipelines", "glBindProgramPipeline",
                            "glUseProgramStages",     "glProgramUniform1f",    "glGetProgramiv",
                            "glGetProgramInfoLog",    "glGetShaderInfoLog"};
  for (int i = 0; i < gl::kEntryCount; ++i) EXPECT_STREQ(gl::gl_entry_names[i], expected[i]) << "index " << i;
  EXPECT_STREQ(gl::gl_entry_names[gl::kGetProgramiv], "glGetProgramiv");
  EXPECT_STREQ(gl::gl_entry_names[gl::kGetProgramInfoLog], "glGetProgramInfoLog");
  EXPECT_STREQ(gl::gl_entry_names[gl::kGetShaderInfoLog], "glGetShaderInfoLog");
}

TEST(GlEntries, AllFoundLoadsEveryEntryInOrder) {
  FakeLoader::asked.clear();
  FakeLoader::missing = "";
  gl::GlEntries entries;
  EXPECT_EQ(gl::gl_entries_load(FakeLoader::get, entries), 1);
  ASSERT_EQ(FakeLoader::asked.size(), 8u);
  for (int i = 0; i < gl::kEntryCount; ++i) {
    EXPECT_EQ(FakeLoader::asked[i], gl::gl_entry_names[i]);
    EXPECT_EQ(entries.entry[i], reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + i + 1)));
  }
}

// Each name in turn missing: 0 at once, later names never asked for, later entries null.
TEST(GlEntries, StopsAtTheFirstMissingName) {
  for (int missing = 0; missing < gl::kEntryCount; ++missing) {
    SCOPED_TRACE(gl::gl_entry_names[missing]);
    FakeLoader::asked.clear();
    FakeLoader::missing = gl::gl_entry_names[missing];
    gl::GlEntries entries;
    EXPECT_EQ(gl::gl_entries_load(FakeLoader::get, entries), 0);
    EXPECT_EQ(FakeLoader::asked.size(), static_cast<size_t>(missing + 1));
    for (int i = 0; i < gl::kEntryCount; ++i) {
      if (i < missing)
        EXPECT_NE(entries.entry[i], nullptr) << "entry " << i;
      else
        EXPECT_EQ(entries.entry[i], nullptr) << "entry " << i;
    }
  }
}

TEST(GlEntries, TheHeadlessContextHasAllEight) {
  ASSERT_NE(gltest::test_context(), nullptr);
  gl::GlEntries entries;
  EXPECT_EQ(gl::gl_entries_load(gl::offscreen_get_proc, entries), 1);
  for (int i = 0; i < gl::kEntryCount; ++i) EXPECT_NE(entries.entry[i], nullptr) << gl::gl_entry_names[i];
}

}  // namespace
