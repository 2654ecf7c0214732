// Stored-procedure calls on a connection of the object's own: a procedure name, an
// attached parameter list (not owned) and a command time-out, run by one of five variants
// that differ in whether the parameters are passed, the rows handed back and the outputs
// read back. While debugLogPath is set every run is recorded in that debug log before the
// procedure runs. An unconnected object runs nothing and returns no rows; a connection whose
// link to the server was lost is made again before the next call. A call that fails raises a
// record marked as a failed call to the server (CEXKavro::getServerCallFailure), its outcome
// unknown when no answer came within the time-out or the link was lost.
#pragma once

#include "database/dataservices.h"
#include "database/parameters.h"
#include "msxml/dom.h"

class CStoredProcedure : public CDataServices
{
public:
    CStoredProcedure(CString server, CString database, CString user, CString password, int timeout);
    ~CStoredProcedure() override = default;

    _bstr_t getName() { return m_name; }
    void setName(_bstr_t name) { m_name = std::move(name); }
    CParameters* getParameters() { return m_parameters; }
    void setParameters(CParameters* parameters) { m_parameters = parameters; }
    int getTimeout() { return m_timeout; }
    // Seconds; 0 means no limit.
    void setTimeout(int timeout) { m_timeout = timeout; }

    _RecordsetPtr execSPReturnParas();
    void execSPNoReturnParas();
    // Reads the outputs back into the attached list; without a list nothing is read.
    void execSPNoReturnParasReturn();
    void execSPNoReturnNoParas();
    _RecordsetPtr execSPReturnNoParas();

    // A "storedProcedure" element: "name", "date" (in the error-log namespace) and, when a
    // list is attached, its "parameters".
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);

    // Detaches the list it attached when it goes, on every way out of the caller's scope,
    // so that the procedure never keeps a list that has been destroyed. Declare it after
    // the list and outside the caller's handlers, which describe the call with its list.
    class Attachment
    {
    public:
        Attachment() = default;
        ~Attachment()
        {
            if (m_procedure)
                m_procedure->setParameters(nullptr);
        }
        Attachment(const Attachment&) = delete;
        Attachment& operator=(const Attachment&) = delete;

        void attach(CStoredProcedure* procedure, CParameters* parameters)
        {
            procedure->setParameters(parameters);
            m_procedure = procedure;
        }

    private:
        CStoredProcedure* m_procedure = nullptr;
    };

private:
    enum Outputs { ignoreOutputs, readOutputs };
    // One run under the variant's name: a new command, the list's parameters when
    // withParameters, the debug record, then the call.
    _RecordsetPtr run(const char* variant, bool withParameters, Outputs outputs);

    _bstr_t m_name{""};
    CParameters* m_parameters = nullptr;
    int m_timeout;
};
