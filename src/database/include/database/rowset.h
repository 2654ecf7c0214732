// The rows a stored procedure hands back, read forward and closed however the reading ends.
#pragma once

#include "ado/ado.h"
#include "mfc/cstring.h"

// A row set read forward from its first row and closed however the reading ends. A null
// row set (the procedure was not connected) raises E_POINTER at its first test, as every
// use of an empty ADO pointer does.
class RowSet
{
public:
    explicit RowSet(_RecordsetPtr rows) : m_rows(std::move(rows)) {}
    ~RowSet()
    {
        try {
            if (m_rows && m_rows->GetState() == ADODB::adStateOpen)
                m_rows->Close();
        } catch (const _com_error&) {
        }
    }
    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;

    // Calls read once per row; a set at BOF and EOF together has none.
    template <class Read>
    void forEachRow(Read&& read)
    {
        if (m_rows->GetBOF() && m_rows->GetadoEOF())
            return;
        for (; !m_rows->GetadoEOF(); m_rows->MoveNext())
            read();
    }

    // Calls read for the first row only; false when there is none.
    template <class Read>
    bool firstRow(Read&& read)
    {
        if (m_rows->GetBOF() && m_rows->GetadoEOF())
            return false;
        read();
        return true;
    }

    _variant_t value(const char* column) const { return m_rows->GetCollect(column); }
    // The column's value as text; false, and the text untouched, for NULL.
    bool text(const char* column, CString& text) const
    {
        const _variant_t v = value(column);
        if (v.isNull())
            return false;
        text = static_cast<_bstr_t>(v).c_str();
        return true;
    }
    // The column's value as text, NULL read as "".
    CString text(const char* column) const
    {
        CString result;
        text(column, result);
        return result;
    }
    // False, and the number untouched, for NULL; a value that is no number raises.
    bool number(const char* column, double& number) const
    {
        const _variant_t v = value(column);
        if (v.isNull())
            return false;
        number = static_cast<double>(v);
        return true;
    }
    // A 32-bit integer; NULL or a value that is no number raises.
    int integer(const char* column) const;
    // A whole number from low to high; false, and the number untouched, for NULL. A value
    // that is not a whole number (text such as "abc", a fraction) or lies outside the range
    // raises, naming the column and the value.
    bool wholeNumber(const char* column, long low, long high, int& number) const;

private:
    _RecordsetPtr m_rows;
};
