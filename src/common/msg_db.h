// The data access under the message catalogue: one open database and one current record set, program-wide.
#pragma once
#include <optional>
#include <string>
#include <variant>

// A plain value of a field: nothing (NULL), a whole number, a real number or text.
using MsgDbValue = std::variant<std::monostate, long long, double, std::string>;

// One field of the current row, as the database holds it.
struct MsgDbField {
  std::string name;
  MsgDbValue value;
};

// Closes the current record set and database, then opens the database at path. The connect text is empty or
// ";pwd=" followed by the password. A missing file, a file that is not a message database or a wrong password
// fails, with the cause left as the current error (no report).
bool MsgDbOpenDatabase(const std::string& path, const std::string& connect);
// Releases the current record set and the database.
void MsgDbCloseDatabase();
// Releases the current record set and runs the query on the open database; false (no report) on failure.
bool MsgDbOpenRecordSet(const std::string& query);
// The number of rows that the last MsgDbOpenRecordSet found.
long MsgDbRecordCount();
// The field at index (from 0, in the query's column order) of the current row; nothing beyond the last field.
std::optional<MsgDbField> MsgDbFields(int index);
// The field's value as a plain value: text stays text, numbers stay numbers, NULL gives 0.
MsgDbValue MsgDbCnvFld(const MsgDbField& field);
