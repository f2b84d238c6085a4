#include "cli/close_names.h"

#include <algorithm>
#include <tuple>

namespace vestura::cli {

CloseNames::CloseNames(std::u16string typed)
    : typed_(std::move(typed)),
      limit_(
          std::clamp(static_cast<int>(std::min(typed_.size(), kMaxSlipLength)) / kCharactersPerEdit,
                     1, kMaxSlipEdits)) {}

void CloseNames::offer(std::u16string_view candidate, int id) {
    const int order = offered_++;
    if (typed_.empty()) {
        return;  // everything begins with nothing, and is a few edits from it
    }
    work_ += std::min(typed_.size(), candidate.size());
    if (candidate.starts_with(typed_)) {
        keep({0, static_cast<int>(candidate.size() - typed_.size()), order, id});
        return;
    }
    if (typed_.size() > kMaxSlipLength) {
        return;
    }
    const int edits = editsWithin(candidate);
    if (edits <= limit_) {
        keep({1, edits, order, id});
    }
}

// The edits from the typed text to `candidate` (a character added, left out, changed, or
// two neighbours swapped) when at most the limit, else limit + 1. Only the cells within
// `limit_` of the diagonal are computed, and a row whose every cell exceeds the limit ends
// the search: a few comparisons per typed character. The band moves right by one cell a
// row, so a cell a row reads beyond the band of the row before was never written and still
// holds limit + 1.
int CloseNames::editsWithin(std::u16string_view candidate) {
    const int n = static_cast<int>(typed_.size());
    const int m = static_cast<int>(candidate.size());
    const int beyond = limit_ + 1;
    if (std::abs(n - m) > limit_) {
        return beyond;
    }
    for (std::vector<int>* row : {&twoBack_, &previous_, &current_}) {
        row->assign(static_cast<std::size_t>(m) + 1, beyond);
    }
    for (int j = 0; j <= std::min(m, limit_); ++j) {
        previous_[static_cast<std::size_t>(j)] = j;
    }
    for (int i = 1; i <= n; ++i) {
        const int first = std::max(1, i - limit_);
        const int last = std::min(m, i + limit_);
        current_[static_cast<std::size_t>(first - 1)] = first == 1 && i <= limit_ ? i : beyond;
        int rowBest = current_[static_cast<std::size_t>(first - 1)];
        const char16_t typed = typed_[static_cast<std::size_t>(i - 1)];
        for (int j = first; j <= last; ++j) {
            const auto at = static_cast<std::size_t>(j);
            const char16_t offered = candidate[at - 1];
            int cell = std::min({previous_[at - 1] + (typed == offered ? 0 : 1), previous_[at] + 1,
                                 current_[at - 1] + 1, beyond});
            if (i > 1 && j > 1 && typed == candidate[at - 2] &&
                typed_[static_cast<std::size_t>(i - 2)] == offered) {
                cell = std::min(cell, twoBack_[at - 2] + 1);
            }
            current_[at] = cell;
            rowBest = std::min(rowBest, cell);
        }
        work_ += static_cast<std::size_t>(last - first + 1);
        if (rowBest > limit_) {
            return beyond;
        }
        std::swap(twoBack_, previous_);
        std::swap(previous_, current_);
    }
    return previous_[static_cast<std::size_t>(m)];
}

void CloseNames::keep(const Near& near) {
    const auto closer = [](const Near& a, const Near& b) {
        return std::tie(a.kind, a.amount, a.order) < std::tie(b.kind, b.amount, b.order);
    };
    best_.insert(std::upper_bound(best_.begin(), best_.end(), near, closer), near);
    if (best_.size() > kShownCloseNames) {
        best_.pop_back();
    }
}

std::vector<int> CloseNames::closest() const {
    std::vector<int> ids;
    for (const Near& near : best_) {
        ids.push_back(near.id);
    }
    return ids;
}

std::string joinedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

std::string closestNames(const std::vector<std::string>& names) {
    return names.empty() ? std::string() : "; the closest: " + joinedNames(names);
}

}  // namespace vestura::cli
