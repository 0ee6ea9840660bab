// The message database over SQLite: opening it behind its password gate, and the one current record set.
#include "common/msg_db.h"

#include <windows.h>
#include <wincrypt.h>

#include <sqlite3.h>

#include <vector>

#include "common/error_log.h"
#include "common/text.h"

namespace {

// Marks a SQLite file as a Velnor message database (resources/messages.py writes it).
constexpr int kApplicationId = 0x564C4D53;

sqlite3* mDb = nullptr;
std::vector<std::vector<MsgDbField>> mRows;

void mReleaseRecordSet() { mRows.clear(); }

// The password given in a connect text such as ";pwd=secret" (keys as Jet reads them, case ignored).
std::string mConnectPassword(const std::string& connect) {
  size_t start = 0;
  while (start <= connect.size()) {
    size_t end = connect.find(';', start);
    if (end == std::string::npos) end = connect.size();
    const std::string part = connect.substr(start, end - start);
    if (part.size() >= 4 && gUpperAscii(part.substr(0, 4)) == "PWD=") return part.substr(4);
    start = end + 1;
  }
  return "";
}

// Lower-case hexadecimal SHA-256 of text, or "" when the system's hash service fails.
std::string mSha256Hex(const std::string& text) {
  std::string hex;
  HCRYPTPROV prov = 0;
  if (!CryptAcquireContextA(&prov, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return hex;
  HCRYPTHASH hash = 0;
  BYTE digest[32];
  DWORD size = sizeof digest;
  if (CryptCreateHash(prov, CALG_SHA_256, 0, 0, &hash) &&
      CryptHashData(hash, reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()), 0) &&
      CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest) {
    static const char kDigits[] = "0123456789abcdef";
    for (BYTE b : digest) {
      hex += kDigits[b >> 4];
      hex += kDigits[b & 15];
    }
  }
  if (hash != 0) CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
  return hex;
}

// Runs a one-value query; false when it fails or gives no row.
bool mQueryOne(sqlite3* db, const char* sql, std::string& value) {
  sqlite3_stmt* stmt = nullptr;
  bool ok = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW;
  if (ok) {
    const unsigned char* text = sqlite3_column_text(stmt, 0);
    value = text != nullptr ? reinterpret_cast<const char*>(text) : "";
  }
  sqlite3_finalize(stmt);
  return ok;
}

// Checks that db is a message database and that the password opens it; raises the cause otherwise.
bool mCheckGate(sqlite3* db, const std::string& password) {
  std::string appId, stored;
  // A file that is not SQLite at all fails here too ("file is not a database").
  if (!mQueryOne(db, "PRAGMA application_id", appId) || appId != std::to_string(kApplicationId)) {
    gErrRaise(3343, "メッセージデータベースではありません。");
    return false;
  }
  // Only a hash is stored: the password keeps the program from opening the wrong file; it encrypts nothing.
  if (!mQueryOne(db, "SELECT PWDHASH FROM t_GATE", stored)) {
    gErrRaise(3343, "メッセージデータベースではありません。");
    return false;
  }
  const std::string given = mSha256Hex(password);
  if (given.empty() || given != stored) {
    gErrRaise(3031, "メッセージデータベースのパスワードが正しくありません。");
    return false;
  }
  return true;
}

MsgDbValue mColumnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER: return static_cast<long long>(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: return sqlite3_column_double(stmt, column);
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
      const void* data = sqlite3_column_blob(stmt, column);
      const int size = sqlite3_column_bytes(stmt, column);
      return data != nullptr ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                             : std::string();
    }
    default: return std::monostate{};
  }
}

}  // namespace

bool MsgDbOpenDatabase(const std::string& path, const std::string& connect) {
  MsgDbCloseDatabase();
  try {
    sqlite3* db = nullptr;
    // No SQLITE_OPEN_CREATE: a missing catalogue must fail, not turn into a new empty file.
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
      gErrRaise(3024, "メッセージデータベースを開けません: " + path + " (" + sqlite3_errstr(rc) + ")");
      sqlite3_close(db);
      return false;
    }
    if (!mCheckGate(db, mConnectPassword(connect))) {
      sqlite3_close(db);
      return false;
    }
    mDb = db;
    return true;
  } catch (const std::exception& e) {
    gErrRaise(7, e.what());
    return false;
  }
}

void MsgDbCloseDatabase() {
  mReleaseRecordSet();
  if (mDb != nullptr) sqlite3_close(mDb);
  mDb = nullptr;
}

bool MsgDbOpenRecordSet(const std::string& query) {
  mReleaseRecordSet();
  if (mDb == nullptr) {
    gErrRaise(3420, "メッセージデータベースが開かれていません。");
    return false;
  }
  sqlite3_stmt* stmt = nullptr;
  try {
    if (sqlite3_prepare_v2(mDb, query.c_str(), static_cast<int>(query.size()), &stmt, nullptr) != SQLITE_OK ||
        stmt == nullptr) {
      gErrRaise(3001, sqlite3_errmsg(mDb));
      sqlite3_finalize(stmt);
      return false;
    }
    const int columns = sqlite3_column_count(stmt);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::vector<MsgDbField> row;
      for (int c = 0; c < columns; ++c) {
        const char* name = sqlite3_column_name(stmt, c);
        row.push_back({name != nullptr ? name : "", mColumnValue(stmt, c)});
      }
      mRows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
      gErrRaise(3001, sqlite3_errmsg(mDb));
      mReleaseRecordSet();
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
  } catch (const std::exception& e) {
    sqlite3_finalize(stmt);
    mReleaseRecordSet();
    gErrRaise(7, e.what());
    return false;
  }
}

long MsgDbRecordCount() { return static_cast<long>(mRows.size()); }

std::optional<MsgDbField> MsgDbFields(int index) {
  if (mRows.empty() || index < 0 || static_cast<size_t>(index) >= mRows.front().size()) return std::nullopt;
  return mRows.front()[static_cast<size_t>(index)];
}

MsgDbValue MsgDbCnvFld(const MsgDbField& field) {
  if (std::holds_alternative<std::monostate>(field.value)) return 0LL;
  return field.value;
}
