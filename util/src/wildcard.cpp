#include "wildcard.h"

#include "platform/ascii.h"

#include <algorithm>

namespace orv {
namespace {

constexpr size_t kWordBits = 64;

std::string folded(std::string_view text) {
    return platform::asciiLower(text);
}

// Whether `name` matches the folded, star-free `part` byte for byte.
bool matchesPart(std::string_view part, std::string_view name) {
    return std::equal(part.begin(), part.end(), name.begin(), name.end(),
                      [](char p, char c) { return p == '?' || p == platform::asciiLower(c); });
}

}  // namespace

WildcardPattern::Glob::Run::Run(std::string_view run)
    : length_(run.size()), words_((run.size() + kWordBits - 1) / kWordBits) {
    masks_.assign(words_, 0);
    for (size_t j = 0; j < length_; ++j) {
        if (run[j] == '?') {
            masks_[j / kWordBits] |= uint64_t{1} << (j % kWordBits);
        }
    }
    for (size_t j = 0; j < length_; ++j) {
        if (run[j] == '?') {
            continue;
        }
        uint16_t& index = maskIndex_[static_cast<unsigned char>(run[j])];
        if (index == 0) {
            index = static_cast<uint16_t>(masks_.size() / words_);
            masks_.resize(masks_.size() + words_);
            std::copy_n(masks_.begin(), words_, masks_.begin() + index * words_);
        }
        masks_[index * words_ + j / kWordBits] |= uint64_t{1} << (j % kWordBits);
    }
}

const uint64_t* WildcardPattern::Glob::Run::maskFor(char byte) const {
    const unsigned char key = static_cast<unsigned char>(platform::asciiLower(byte));
    return masks_.data() + maskIndex_[key] * words_;
}

size_t WildcardPattern::Glob::Run::findEnd(std::string_view name, size_t from, size_t to) const {
    std::array<uint64_t, 4> small{};
    std::vector<uint64_t> large;
    if (words_ > small.size()) {
        large.assign(words_, 0);
    }
    uint64_t* state = large.empty() ? small.data() : large.data();
    const size_t lastWord = (length_ - 1) / kWordBits;
    const uint64_t lastBit = uint64_t{1} << ((length_ - 1) % kWordBits);
    for (size_t i = from; i < to; ++i) {
        const uint64_t* mask = maskFor(name[i]);
        for (size_t w = words_; w-- > 0;) {
            const uint64_t carry = w == 0 ? 1 : state[w - 1] >> (kWordBits - 1);
            state[w] = ((state[w] << 1) | carry) & mask[w];
        }
        if ((state[lastWord] & lastBit) != 0) {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

WildcardPattern::Glob::Glob(std::string_view pattern) {
    const std::string text = folded(pattern);
    const size_t firstStar = text.find('*');
    if (firstStar == std::string::npos) {
        head_ = text;
        shortestName_ = head_.size();
        return;
    }
    starred_ = true;
    const size_t lastStar = text.rfind('*');
    head_ = text.substr(0, firstStar);
    tail_ = text.substr(lastStar + 1);
    shortestName_ = head_.size() + tail_.size();
    size_t start = firstStar + 1;
    while (start <= lastStar) {
        const size_t star = text.find('*', start);
        if (star > start) {  // consecutive stars leave no run
            runs_.emplace_back(std::string_view(text).substr(start, star - start));
            shortestName_ += runs_.back().length();
        }
        start = star + 1;
    }
}

bool WildcardPattern::Glob::matches(std::string_view name) const {
    if (!starred_) {
        return matchesPart(head_, name);
    }
    if (name.size() < shortestName_ || !matchesPart(head_, name.substr(0, head_.size())) ||
        !matchesPart(tail_, name.substr(name.size() - tail_.size()))) {
        return false;
    }
    // The leftmost place of each run leaves the most room for the rest.
    size_t position = head_.size();
    const size_t end = name.size() - tail_.size();
    for (const Run& run : runs_) {
        position = run.findEnd(name, position, end);
        if (position == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

WildcardPattern::WildcardPattern(std::string_view pattern) : whole_(pattern) {
    if (pattern.ends_with(".*")) {
        withoutExtension_.emplace(pattern.substr(0, pattern.size() - 2));
    }
}

bool WildcardPattern::matches(std::string_view name) const {
    return whole_.matches(name) || (withoutExtension_ && withoutExtension_->matches(name));
}

}  // namespace orv
