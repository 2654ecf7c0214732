#include "commandimpl.h"

#include "ado/procedurecall.h"
#include "connectionimpl.h"
#include "diagnostics.h"
#include "parameterbinding.h"
#include "parameterimpl.h"
#include "parametersimpl.h"
#include "recordsetimpl.h"
#include "statement.h"

namespace ADODB {

namespace {

constexpr const char* source = "ADODB.Command";

bool isMissing(const VARIANT* v) { return !v || v->vt == VT_EMPTY || v->vt == VT_ERROR; }

} // namespace

Command::Command() : m_impl(std::make_unique<Impl>())
{
    m_impl->parameters = std::shared_ptr<Parameters>(new Parameters);
}

Command::~Command() = default;
Command::Impl& Command::impl() const { return *m_impl; }

void Command::PutRefActiveConnection(const _ConnectionPtr& connection) { m_impl->connection = connection; }
_ConnectionPtr Command::GetActiveConnection() const { return m_impl->connection; }
long Command::GetCommandType() const { return m_impl->type; }
void Command::PutCommandType(long type) { m_impl->type = type; }
long Command::GetCommandTimeout() const { return m_impl->timeout; }
void Command::PutCommandTimeout(long seconds) { m_impl->timeout = std::max(seconds, 0L); }
_bstr_t Command::GetCommandText() const { return m_impl->text; }
void Command::PutCommandText(const _bstr_t& text) { m_impl->text = text.str(); }
ParametersPtr Command::GetParameters() const { return m_impl->parameters; }

_ParameterPtr Command::CreateParameter(const _bstr_t& name, long type, long direction, long size,
                                       const _variant_t& value)
{
    auto parameter = std::shared_ptr<Parameter>(new Parameter);
    Parameter::Impl& p = parameter->impl();
    p.name = name.str();
    p.type = type;
    p.direction = direction;
    p.size = size;
    if (value.vt != VT_ERROR)
        p.value = value;
    return parameter;
}

_RecordsetPtr Command::Execute(VARIANT* recordsAffected, VARIANT* parameters, long)
{
    const _ConnectionPtr& connection = m_impl->connection;
    if (!connection || !connection->impl().isOpen())
        raiseError(adErrInvalidConnection, source,
                   "The connection cannot be used to perform this operation. It is either closed or invalid in this context.");
    if (!isMissing(parameters))
        raiseError(E_INVALIDARG, source, "values are passed by appended parameters, not as an array");
    Connection::Impl& link = connection->impl();
    link.errors->Clear();

    const std::vector<_ParameterPtr>& items = m_impl->parameters->impl().items;
    const std::string text = m_impl->type == adCmdStoredProc ? procedureCallText(m_impl->text, items.size())
                                                             : m_impl->text;
    ParameterBinding binding(items);
    Statement statement(link, source);
    statement.setTimeout(m_impl->timeout);
    statement.bind(binding);
    _RecordsetPtr recordset = makeRecordset(statement.execute(text));
    binding.readBack(link.errors.get());
    statement.reportRowsAffected(recordsAffected);
    return recordset;
}

} // namespace ADODB
