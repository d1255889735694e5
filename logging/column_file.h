// The column file, read into what a log is built from: the columns a row is
// made of and the header row that names them.
#pragma once

#include <string>
#include <string_view>

#include "logging/column_list.h"
#include "logging/log_buffer.h"

namespace cablog {

// Appends the columns `text` defines and their header row. A leading UTF-8
// byte-order mark is kept for the header: the log starts with it in turn.
void parseColumns(ColumnList& columns, LogBuffer& header, std::string_view text);

// The same from the file at `columnsPath`; a file that is not there defines
// no columns and an empty header row. One that is there but is refused (see
// platform::readTextFile) defines nothing; returns why, empty otherwise.
std::string readColumns(ColumnList& columns, LogBuffer& header, const std::string& columnsPath);

}  // namespace cablog
