// The database access objects the module uses: a connection, a command with typed
// parameters, a forward-only recordset and the collection of the driver's errors, over
// ODBC (unixODBC; texts are UTF-8 here and UTF-16 in the calls to the driver).
//
// Objects are shared and held by smart pointers (AdoPtr). Calling through an empty pointer
// raises _com_error(E_POINTER); a failing operation raises _com_error with an error
// information object whose description is the driver's message and whose source names the
// object ("ADODB.Connection", "ADODB.Command", "ADODB.Recordset", "ADODB.Parameter"). The
// diagnostic records of a failure on a connection, or on a command run on it, are left in
// that connection's Errors collection until its next operation.
//
// Connection strings take the keys "Provider" (ignored), "Data Source" ("host" or
// "host,port"), "Initial Catalog", "User Id" and "Password"; a value may be braced, "{...}",
// with "}}" standing for "}". The ODBC driver is named by the environment variable
// QUORVANE_ODBC_DRIVER. Text of values never becomes SQL: parameters are bound.
#pragma once

#include "win/com.h"
#include "win/variant.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

namespace ADODB {

enum DataTypeEnum {
    adEmpty = 0,
    adInteger = 3,
    adDouble = 5,
    adBoolean = 11,
    adTinyInt = 16,
    adNumeric = 131,
    adChar = 129,
    adDBTimeStamp = 135,
    adVarChar = 200,
};

enum ParameterDirectionEnum {
    adParamUnknown = 0,
    adParamInput = 1,
    adParamOutput = 2,
    adParamInputOutput = 3,
    adParamReturnValue = 4,
};

enum CommandTypeEnum {
    adCmdUnspecified = -1,
    adCmdText = 1,
    adCmdStoredProc = 4,
};

enum ObjectStateEnum {
    adStateClosed = 0,
    adStateOpen = 1,
};

// The HRESULTs the layer raises besides E_FAIL and E_POINTER.
constexpr HRESULT adErrItemNotFound = static_cast<HRESULT>(0x800A0CC1u);
constexpr HRESULT adErrObjectClosed = static_cast<HRESULT>(0x800A0E78u);
constexpr HRESULT adErrObjectOpen = static_cast<HRESULT>(0x800A0E79u);
constexpr HRESULT adErrNoCurrentRecord = static_cast<HRESULT>(0x800A0BCDu);
constexpr HRESULT adErrInvalidConnection = static_cast<HRESULT>(0x800A0E7Du);
// A command or login that ran past its time-out (SQLSTATE HYT00, HYT01 or 57014).
constexpr HRESULT adErrOperationTimedOut = static_cast<HRESULT>(0x80040E31u);
// An output value that its parameter cannot hold (SQLSTATE 22003).
constexpr HRESULT adErrDataOverflow = static_cast<HRESULT>(0x800A0E89u);

class Connection;
class Command;
class Parameter;
class Parameters;
class Recordset;
class Fields;
class Field;
class Errors;
class Error;

// An owning pointer to a data-access object; -> on an empty pointer raises
// _com_error(E_POINTER).
template <class T>
class AdoPtr
{
public:
    AdoPtr() = default;
    AdoPtr(std::nullptr_t) {}
    AdoPtr(std::shared_ptr<T> p) : m_p(std::move(p)) {}

    T* operator->() const
    {
        if (!m_p)
            _com_issue_error(E_POINTER);
        return m_p.get();
    }
    T& operator*() const { return *operator->(); }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(std::nullptr_t) const { return m_p == nullptr; }
    bool operator!=(std::nullptr_t) const { return m_p != nullptr; }
    T* GetInterfacePtr() const { return m_p.get(); }
    void Release() { m_p.reset(); }
    const std::shared_ptr<T>& shared() const { return m_p; }

    // Makes a new object for the class names "ADODB.Connection" and "ADODB.Command" (for
    // pointers of those classes only); fails with REGDB_E_CLASSNOTREG for other names, or
    // while the classes are made unavailable (setObjectsAvailable).
    HRESULT CreateInstance(const char* progId, void* outer = nullptr, DWORD context = 0);

private:
    std::shared_ptr<T> m_p;
};

template <>
HRESULT AdoPtr<Connection>::CreateInstance(const char* progId, void* outer, DWORD context);
template <>
HRESULT AdoPtr<Command>::CreateInstance(const char* progId, void* outer, DWORD context);

using _ConnectionPtr = AdoPtr<Connection>;
using _CommandPtr = AdoPtr<Command>;
using _ParameterPtr = AdoPtr<Parameter>;
using ParametersPtr = AdoPtr<Parameters>;
using _RecordsetPtr = AdoPtr<Recordset>;
using FieldsPtr = AdoPtr<Fields>;
using FieldPtr = AdoPtr<Field>;
using ErrorsPtr = AdoPtr<Errors>;
using ErrorPtr = AdoPtr<Error>;

constexpr DWORD CLSCTX_ALL = 0x17;

// Lets tests make CreateInstance fail, as on a machine without the data-access components.
void setObjectsAvailable(bool available);
// Lets tests run work of their own on the thread of a call as each result set of a statement
// has come in, before its rows are read (work of the client, which no time-out bounds); an
// empty function for none.
void setResultArrivalHook(std::function<void()> hook);

// One diagnostic record of the driver.
class Error
{
public:
    Error(long number, std::string source, std::string description, std::string sqlState,
          long nativeError);
    long GetNumber() const;           // the HRESULT of the failure it belongs to
    _bstr_t GetSource() const;
    _bstr_t GetDescription() const;   // the driver's message text
    _bstr_t GetSQLState() const;      // five characters
    long GetNativeError() const;      // the server's own error number, 0 when it has none

private:
    long m_number;
    std::string m_source;
    std::string m_description;
    std::string m_sqlState;
    long m_nativeError;
};

class Errors
{
public:
    Errors();
    ~Errors();
    long GetCount() const;
    // By index from 0; an index outside the collection raises adErrItemNotFound.
    ErrorPtr GetItem(const _variant_t& index) const;
    void Clear();
    // Appends a record (the layer fills the collection of a failing connection).
    void Add(ErrorPtr error);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

class Connection
{
public:
    ~Connection();   // closes an open connection

    // Seconds to wait for a login; 0 means the layer's longest wait (60 s), never forever.
    long GetConnectionTimeout() const;
    void PutConnectionTimeout(long seconds);
    // Seconds a login waits at most: the time-out, or the longest wait for 0.
    long GetLoginWait() const;
    // Seconds a statement run by Execute may take; 0 means no limit. 30 until set.
    long GetCommandTimeout() const;
    void PutCommandTimeout(long seconds);

    // Opens the connection (options: 0, synchronous). A user or password given here
    // replaces the one of the connection string.
    void Open(const _bstr_t& connectionString, const _bstr_t& userId, const _bstr_t& password,
              long options);
    void Close();
    // ObjectStateEnum. A connection whose server has closed its end (it ended the session,
    // or was stopped or restarted) is closed here and reads as closed, to be opened again.
    long GetState() const;

    // The version of these data-access objects, "6.1".
    _bstr_t GetVersion() const;
    // The database the open connection uses; the catalog of the connection string until
    // the connection is open.
    _bstr_t GetDefaultDatabase() const;
    ErrorsPtr GetErrors() const;

    // Runs SQL text. recordsAffected (may be null) receives a VT_I4 count. Returns the
    // recordset of the statement, closed when it gives no rows.
    _RecordsetPtr Execute(const _bstr_t& commandText, VARIANT* recordsAffected, long options);

    struct Impl;
    Impl& impl() const;

private:
    friend class AdoPtr<Connection>;
    Connection();
    std::unique_ptr<Impl> m_impl;
};

class Parameter
{
public:
    ~Parameter();
    _bstr_t GetName() const;
    long GetType() const;        // DataTypeEnum
    long GetDirection() const;   // ParameterDirectionEnum
    long GetSize() const;
    unsigned char GetPrecision() const;
    void PutPrecision(unsigned char precision);
    unsigned char GetNumericScale() const;
    void PutNumericScale(unsigned char scale);
    // The value sent; after Execute, the value an output or input-output parameter came
    // back with (VT_NULL for a database null).
    _variant_t GetValue() const;
    void PutValue(const _variant_t& value);

    struct Impl;
    Impl& impl() const;

private:
    friend class Command;
    Parameter();
    std::unique_ptr<Impl> m_impl;
};

class Parameters
{
public:
    ~Parameters();
    // Appends a parameter made by this collection's command.
    void Append(const _ParameterPtr& parameter);
    long GetCount() const;
    // By name (exact, case-insensitive as the server compares names) or by index from 0;
    // none raises adErrItemNotFound.
    _ParameterPtr GetItem(const _variant_t& index) const;

    struct Impl;
    Impl& impl() const;

private:
    friend class Command;
    Parameters();
    std::unique_ptr<Impl> m_impl;
};

// Binding of the parameter types when a command runs:
//   adInteger       a 32-bit integer;
//   adBoolean       a bit, true for any non-zero value;
//   adTinyInt       an unsigned byte, 0 to 255;
//   adNumeric       with a precision or scale set: exact decimal text of that scale;
//                   with neither set: a double (no fraction is lost);
//   adDouble        a double;
//   adChar, adVarChar  text, never cut to the declared size;
//   adDBTimeStamp   a timestamp from a VT_DATE (to the millisecond).
// An output-only parameter's value is not sent. A VT_NULL value is sent as null.
class Command
{
public:
    ~Command();
    void PutRefActiveConnection(const _ConnectionPtr& connection);
    _ConnectionPtr GetActiveConnection() const;
    long GetCommandType() const;
    void PutCommandType(long type);   // CommandTypeEnum
    long GetCommandTimeout() const;
    void PutCommandTimeout(long seconds);   // 0: no limit
    _bstr_t GetCommandText() const;
    // A stored procedure's name as the server knows it: "name", "schema.name", or a
    // three-part name "[db]..[name]" / "db.schema.name", run as a schema-qualified name
    // (its first part and its last part) with each part quoted as written.
    void PutCommandText(const _bstr_t& text);

    _ParameterPtr CreateParameter(const _bstr_t& name, long type, long direction, long size,
                                  const _variant_t& value = _variant_t::missing());
    ParametersPtr GetParameters() const;

    // Runs the command: a stored procedure as "{call name(?, ...)}" with one marker per
    // appended parameter, in order; text as written. Output and input-output values are
    // read back into the parameters. The recordset returned holds every row, read before
    // Execute returns, so that another command can run on the connection while it is read;
    // it is closed when the call gives no rows.
    _RecordsetPtr Execute(VARIANT* recordsAffected, VARIANT* parameters, long options);

    struct Impl;
    Impl& impl() const;

private:
    friend class AdoPtr<Command>;
    Command();
    std::unique_ptr<Impl> m_impl;
};

// A field of the current row. Values: integers VT_I4 (VT_I8 beyond 32 bits, VT_I2 for
// 16-bit columns), VT_BOOL for bits and booleans, VT_R8 for floating and decimal columns,
// VT_DATE for dates and timestamps, VT_BSTR for text, VT_NULL for a database null.
class Field
{
public:
    ~Field();
    _bstr_t GetName() const;
    _variant_t GetValue() const;   // no current row: adErrNoCurrentRecord

    struct Impl;
    Impl& impl() const;

private:
    friend class Fields;
    Field();
    std::unique_ptr<Impl> m_impl;
};

class Fields
{
public:
    ~Fields();
    long GetCount() const;
    // By column name (case-insensitive, as columns are named) or index from 0; none
    // raises adErrItemNotFound.
    FieldPtr GetItem(const _variant_t& index) const;

    struct Impl;
    Impl& impl() const;

private:
    friend class Recordset;
    Fields();
    std::unique_ptr<Impl> m_impl;
};

// A forward-only recordset of rows already read. Closed: every call but GetState and
// Close raises adErrObjectClosed.
class Recordset
{
public:
    ~Recordset();
    long GetState() const;   // ObjectStateEnum
    void Close();
    bool GetBOF() const;      // before the first row: no row at all, as the rows are read forward
    bool GetadoEOF() const;   // past the last row
    void MoveNext();          // past the end: adErrNoCurrentRecord
    long GetRecordCount() const;
    FieldsPtr GetFields() const;
    // The value of a column of the current row, as GetFields()->GetItem(index)->GetValue().
    _variant_t GetCollect(const _variant_t& index) const;

    struct Impl;
    Impl& impl() const;

    Recordset();

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace ADODB

using ADODB::_CommandPtr;
using ADODB::_ConnectionPtr;
using ADODB::_ParameterPtr;
using ADODB::_RecordsetPtr;
