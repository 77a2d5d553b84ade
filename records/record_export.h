// Records as the command line prints them and the records view exports them: JSON lines (one
// record a line) and CSV that spreadsheets open without losing leading zeros or running
// formulas.
#pragma once

#include "records/board_record.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <vector>

QJsonObject RecordJson(const TBoardRecord& record);
// One record a line, compact JSON, UTF-8.
QByteArray RecordsJsonLines(const std::vector<TBoardRecord>& records);

// The CSV columns, in order.
QStringList CsvColumns();
// A header line and one line a record, CRLF line ends, UTF-8 with a byte order mark (so that
// spreadsheets read the Chinese texts right). Every cell is quoted; a cell a spreadsheet would
// take for a formula (it begins with = + - @, a tab or a carriage return) or for a number
// (digits with a leading zero, which would be dropped) begins with an apostrophe, which keeps
// it text.
QByteArray RecordsCsv(const std::vector<TBoardRecord>& records);
QString CsvCell(const QString& text);
// A line of the records as people read them: id, start, station, operator, serial, outcome.
QString RecordLine(const TBoardRecord& record);
