#include "controls/rowbatch.h"

#include "controls/ctcombo.h"
#include "controls/ctlist.h"
#include "controls/rowmodel.h"

RowBatch::RowBatch(RowModel &rows) : rows_(rows)
{
    rows_.beginBatch();
}

RowBatch::RowBatch(CtList &list) : RowBatch(*list.rows_) {}

RowBatch::RowBatch(CtCombo &combo) : RowBatch(*combo.entries_) {}

RowBatch::~RowBatch()
{
    rows_.endBatch();
}
