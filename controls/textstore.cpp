#include "controls/textstore.h"

#include <algorithm>

namespace {

constexpr qsizetype charactersPerBlock = 32 * 1024;

} // namespace

QStringView TextStore::keep(QStringView text)
{
    if (text.isEmpty())
        return {};
    if (blocks_.empty() || blockSize_ - used_ < text.size()) {
        // A text longer than a block gets a block of its own.
        blockSize_ = std::max(charactersPerBlock, text.size());
        blocks_.emplace_back(new char16_t[size_t(blockSize_)]);
        used_ = 0;
    }
    char16_t *kept = blocks_.back().get() + used_;
    std::copy(text.utf16(), text.utf16() + text.size(), kept);
    used_ += text.size();
    return QStringView(kept, text.size());
}

void TextStore::clear()
{
    blocks_.clear();
    used_ = 0;
    blockSize_ = 0;
}
