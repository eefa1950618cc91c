// The one program name: 24 characters at most, 25 bytes written.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "effect/Glowmarsh.h"
#include "tests/support/GuardedText.h"

namespace {

using testsupport::GuardedText;

constexpr std::size_t kNameBytes = 25;  // 24 characters and a zero

TEST(ProgramName, SetThenGet) {
    struct Row {
        const char* meaning;
        const char* set;  // null: keep the initial name
        const char* get;
    } rows[] = {
        {"initial name", nullptr, "Default"},
        {"short name", "Warm room", "Warm room"},
        {"exactly 24 characters kept whole", "abcdefghijklmnopqrstuvwx", "abcdefghijklmnopqrstuvwx"},
        {"30 characters cut to the first 24", "abcdefghijklmnopqrstuvwxyz0123", "abcdefghijklmnopqrstuvwx"},
        {"empty name", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.meaning);
        auto effect = std::make_unique<Glowmarsh>(nullptr);
        if (row.set) {
            std::string name = row.set;
            effect->setProgramName(name.data());
        }
        GuardedText buffer(kNameBytes);
        effect->getProgramName(buffer.data());
        EXPECT_EQ(buffer.text(), row.get);
        EXPECT_EQ(buffer.fault(), "");  // zeros through byte 24, nothing beyond
        EXPECT_EQ(buffer.at(kNameBytes - 1), 0);
    }
}

}  // namespace
