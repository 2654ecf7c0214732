// Error records gathered by a batch, reported together at its end. The collection owns
// the records (and their chains).
#pragma once

#include "mfc/carray.h"
#include "support/exkavro.h"

class CKavroExceptions
{
public:
    CKavroExceptions() = default;
    ~CKavroExceptions();
    CKavroExceptions(const CKavroExceptions&) = delete;
    CKavroExceptions& operator=(const CKavroExceptions&) = delete;

    void add(CEXKavro* record);
    CEXKavro* getAt(int index) const { return m_records.GetAt(index); }
    int getCount() const { return m_count; }
    // One message box per record, in the order they were added.
    void displayAll();
    void printAll();
    void writeAllToErrorLogs(const CErrorLogPaths* logs);
    void writeAllToErrorLog(CString path);
    void deleteObjects();

private:
    CArray<CEXKavro*> m_records;
    int m_count = 0;
};
