#pragma once

class CtCombo;
class CtList;
class RowModel;

// Fills a list or combo control with many rows in one go. While a batch lives the rows change
// as usual and read back at once, but the view hears of them only when the batch ends: then it
// starts afresh with all rows, as after removing all rows: nothing selected. Filling row by row
// would cost the view more than the rows themselves.
class RowBatch
{
public:
    explicit RowBatch(CtList &list);
    explicit RowBatch(CtCombo &combo);
    ~RowBatch();
    RowBatch(const RowBatch &) = delete;
    RowBatch &operator=(const RowBatch &) = delete;

private:
    explicit RowBatch(RowModel &rows);

    RowModel &rows_;
};
