#include "rowbatch.h"

#include "ctcombo.h"
#include "ctlist.h"
#include "rowmodel.h"

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
