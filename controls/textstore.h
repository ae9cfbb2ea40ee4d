#pragma once

#include <QStringView>
#include <memory>
#include <vector>

// Keeps many short texts in a few large blocks that never move. A list of a hundred thousand
// rows then holds two views a row instead of two strings: filling it costs a copy into a block
// instead of an allocation a text, and emptying it a few frees instead of two hundred thousand.
// Texts are kept until clear(); a view of a kept text stays valid until then.
class TextStore
{
public:
    QStringView keep(QStringView text);
    void clear();

private:
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    qsizetype used_ = 0;      // characters used of the last block
    qsizetype blockSize_ = 0; // characters of the last block
};
