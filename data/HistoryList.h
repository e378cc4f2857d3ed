#pragma once
// The receipts and write-offs lists (the union of four joins that
// TDM::historySql gives) read in one pass over the history table: the tool
// codes and kind names are joined in memory and the rows put in the list's
// order (date, then the history row's ID) by ranking the distinct dates.
// The rows, values and order are exactly those of the SQL text; the engine
// is spared the four joins and the sort of a million rows.
#include "RecordSet.h"

#include <QString>

// Fills `out` (a record set with the list's fields) from `historyTable`
// ("Prihod_History" or "Spisanie_History"); returns the number of rows.
// `where`, when not empty, is a condition on the list's integer fields
// (ID, ID_Instr, ID_Tabl, K_vo), which are the history table's own columns:
// the history is read through it, by its indexes.
int readHistoryList(Connection& c, const QString& historyTable, const QString& where, RowBuffer& out);
