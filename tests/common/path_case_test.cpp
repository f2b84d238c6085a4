// File names from Windows catalogues: found without regard to letter case, one component
// at a time, the exact name first.
#include "common/path_case.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

struct CaseCase {
    const char* name;
    const char* written;
    const char* found;  // relative to the folder
};

class ResolveIgnoringCase : public testing::TestWithParam<CaseCase> {
protected:
    static void SetUpTestSuite() {
        folder_ = new test::TempFolder;
        std::filesystem::create_directories(folder_->file("parts/shirts"));
        std::filesystem::create_directories(folder_->file("Twins/twins"));
        folder_->write("parts/shirts/polo.bmp", "x");
        folder_->write("parts/shirts/Both.bmp", "x");
        folder_->write("parts/shirts/both.bmp", "x");
        folder_->write("Twins/twins/a.bmp", "x");
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static test::TempFolder* folder_;
};

test::TempFolder* ResolveIgnoringCase::folder_ = nullptr;

TEST_P(ResolveIgnoringCase, TakesTheExactNameElseTheSingleCaseMatch) {
    EXPECT_EQ(resolveIgnoringCase(folder_->file(GetParam().written)),
              folder_->file(GetParam().found));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveIgnoringCase,
    testing::Values(
        CaseCase{"AsWritten", "parts/shirts/polo.bmp", "parts/shirts/polo.bmp"},
        CaseCase{"EveryComponent", "Parts/SHIRTS/Polo.BMP", "parts/shirts/polo.bmp"},
        CaseCase{"ExactBeforeAnotherCase", "parts/shirts/Both.bmp", "parts/shirts/Both.bmp"},
        CaseCase{"TwoMatchesAreNoMatch", "parts/shirts/BOTH.bmp", "parts/shirts/BOTH.bmp"},
        CaseCase{"ExactFolderFirst", "Twins/twins/A.bmp", "Twins/twins/a.bmp"},
        CaseCase{"MissingStaysAsWritten", "Parts/Shirts/none.bmp", "Parts/Shirts/none.bmp"},
        CaseCase{"DotsPassThrough", "parts/./Shirts/../shirts/POLO.bmp",
                 "parts/./shirts/../shirts/polo.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestura
