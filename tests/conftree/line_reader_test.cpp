// Opening configuration files: what counts as a file that cannot be opened.
#include "tree_fixture.h"

class OpenFileTest : public TreeTest {};

TEST_F(OpenFileTest, DirectoryCannotBeOpenedAsAConfigurationFile) {
    std::string dir = scratchPath("conf.d");
    std::filesystem::create_directory(dir);
    EXPECT_FALSE(LineReader(dir).isOpen());
    add({"a=1"});
    EXPECT_EQ(tree.load(dir), -1);
    EXPECT_EQ(takeLog(), "Unable to open file: " + dir + "\n");
    EXPECT_EQ(tree.sourceFile, "");
    EXPECT_EQ(body(tree), "a=1\n");
}

TEST_F(OpenFileTest, FileWithoutReadPermissionCannotBeOpened) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind this user";
    std::string path = writeFile("a=1\n");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    EXPECT_EQ(tree.load(path), -1);
    EXPECT_EQ(takeLog(), "Unable to open file: " + path + "\n");
    EXPECT_TRUE(tree.children().empty());
}
