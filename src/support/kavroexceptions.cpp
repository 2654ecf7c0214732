#include "support/kavroexceptions.h"

#include "support/kavroguard.h"

CKavroExceptions::~CKavroExceptions()
{
    try {
        deleteObjects();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
}

void CKavroExceptions::add(CEXKavro* record)
{
    m_records.Add(record);
    ++m_count;
}

void CKavroExceptions::displayAll()
{
    for (int i = 0; i < m_count; ++i)
        m_records.GetAt(i)->display();
}

void CKavroExceptions::printAll()
{
    for (int i = 0; i < m_count; ++i)
        m_records.GetAt(i)->print();
}

void CKavroExceptions::writeAllToErrorLogs(const CErrorLogPaths* logs)
{
    for (int i = 0; i < m_count; ++i)
        m_records.GetAt(i)->writeToErrorLogs(logs);
}

void CKavroExceptions::writeAllToErrorLog(CString path)
{
    for (int i = 0; i < m_count; ++i)
        m_records.GetAt(i)->writeToErrorLog(path);
}

void CKavroExceptions::deleteObjects()
{
    kavroGuard("CKavroExceptions::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            CEXKavro::deleteChain(m_records.GetAt(i));
        m_records.RemoveAll();
        m_count = 0;
    }, 0);
}
