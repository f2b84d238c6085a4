// Names close to one that matches nothing, to offer in the refusal: a caption or category
// name typed with a slip, or typed short.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vestura::cli {

// A refusal names at most this many close names.
inline constexpr std::size_t kShownCloseNames = 3;
// A slip is at most one edit (a character added, left out or changed, or two neighbours
// swapped) per this many
// characters typed, at least one edit and at most kMaxSlipEdits.
inline constexpr int kCharactersPerEdit = 3;
inline constexpr int kMaxSlipEdits = 3;
// Text longer than this is no name typed with a slip: only names it begins are close.
inline constexpr std::size_t kMaxSlipLength = 256;

// Collects the names closest to what was typed among candidates offered one by one, all in
// one letter case. A candidate that begins with the typed text (a caption typed short) is
// closer than one a few edits away (a slip); among the first, the shorter is closer, among
// the second the one with fewer edits; ties go to the one offered first.
class CloseNames {
public:
    explicit CloseNames(std::u16string typed);

    void offer(std::u16string_view candidate, int id);
    // The ids of the closest candidates, closest first, at most kShownCloseNames.
    std::vector<int> closest() const;
    // Characters compared so far, for a caller that bounds the work of many refusals.
    std::size_t work() const { return work_; }

private:
    struct Near {
        int kind;    // 0: begins with the typed text, 1: a slip
        int amount;  // characters beyond the typed text, or edits
        int order;   // when it was offered
        int id;
    };
    int editsWithin(std::u16string_view candidate);
    void keep(const Near& near);

    std::u16string typed_;
    int limit_;
    int offered_ = 0;
    std::size_t work_ = 0;
    std::vector<Near> best_;                         // sorted, closest first
    std::vector<int> twoBack_, previous_, current_;  // rows of the edit table
};

// "A, B, C".
std::string joinedNames(const std::vector<std::string>& names);

// The names to end a refusal with: "; the closest: A, B, C"; empty for none. A statement,
// not a question: a failure line gets its closing period.
std::string closestNames(const std::vector<std::string>& names);

}  // namespace vestura::cli
