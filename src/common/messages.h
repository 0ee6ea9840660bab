// The message catalogue: numbered questions, warnings and notices kept in the database sys\msg.
#pragma once
#include <string>

// Opens the message database (the password is a gate against opening the wrong file, not encryption).
bool gMsgInit(const std::string& databasePath, const std::string& password);
// Closes the message database.
void gMsgClose();
// Shows message code with extra text before it (place 0) or after it (place 1); returns the pressed button or
// -100 when no message could be shown.
short gDispMsg(short code, const std::string& extraText, unsigned char place);
