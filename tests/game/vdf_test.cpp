// The Steam key-value reader: tokens, escapes, nesting, comments, damage and depth.
#include "game/vdf.h"

#include <gtest/gtest.h>

namespace vestura {
namespace {

// The tree as one line: key=value pairs, blocks in braces.
std::string flat(const VdfNode& node) {
    std::string text;
    for (const VdfNode& child : node.children) {
        text += child.key + (child.block ? "{" + flat(child) + "}" : "=" + child.value) + ";";
    }
    return text;
}

struct VdfCase {
    const char* name;
    std::string text;
    std::string tree;
};

class VdfParse : public ::testing::TestWithParam<VdfCase> {};

TEST_P(VdfParse, ReadsTheTree) {
    EXPECT_EQ(flat(parseVdf(GetParam().text)), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VdfParse,
    ::testing::Values(
        VdfCase{"Pair", R"("a" "b")", "a=b;"},
        VdfCase{"Nested", "\"r\"\n{\n\t\"0\"\n\t{\n\t\t\"path\" \"/x\"\n\t}\n}\n",
                "r{0{path=/x;};};"},
        VdfCase{"Escapes", R"("k" "C:\\Games\\\"VC\"\tx\ny")", "k=C:\\Games\\\"VC\"\tx\ny;"},
        VdfCase{"UnknownEscapeKept", R"("k" "D:\Games")", "k=D:\\Games;"},
        VdfCase{"BareTokens", "r { key value }", "r{key=value;};"},
        VdfCase{"Comments", "// head\n\"a\" \"1\" // tail\n\"b\" \"2\"", "a=1;b=2;"},
        VdfCase{"SlashesInsideQuotes", R"("a" "//not a comment")", "a=//not a comment;"},
        VdfCase{"Conditions", "\"a\" \"1\" [$WIN32]\n\"b\" [$LINUX] { \"c\" \"2\" }",
                "a=1;b{c=2;};"},
        VdfCase{"BracesInQuotes", R"("a" "{}")", "a={};"},
        VdfCase{"MissingCloseBrace", R"("r" { "a" "1" "b" "2")", "r{a=1;b=2;};"},
        VdfCase{"KeyWithoutValue", R"("r" { "a" "1" "b" } "c" "3")", "r{a=1;};c=3;"},
        VdfCase{"UnclosedQuote", R"("a" "1" "b" "unfinished)", "a=1;b=unfinished;"},
        VdfCase{"StrayClose", R"(} "a" "1")", ""}, VdfCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Vdf, ChildIgnoresLetterCase) {
    const VdfNode root = parseVdf(R"("LibraryFolders" { "Path" "/p" })");
    const VdfNode* folders = root.child("libraryfolders");
    ASSERT_NE(folders, nullptr);
    ASSERT_NE(folders->child("PATH"), nullptr);
    EXPECT_EQ(folders->child("path")->value, "/p");
    EXPECT_EQ(folders->child("label"), nullptr);
}

TEST(Vdf, DeepNestingIsSkippedWithoutExhaustingTheStack) {
    std::string text;
    for (int i = 0; i < 200000; ++i) {
        text += "\"k\" {";
    }
    text += std::string(200000, '}') + " \"after\" \"1\"";
    const VdfNode root = parseVdf(text);
    int depth = 0;
    for (const VdfNode* node = &root; !node->children.empty(); node = &node->children[0]) {
        ++depth;
    }
    EXPECT_LT(depth, kVdfMaxDepth);
    EXPECT_NE(root.child("after"), nullptr);
}

}  // namespace
}  // namespace vestura
