// Reading a large recordset in full and walking it. Needs the test server: start it with
// tests/database/pgcluster.sh start STATE and run with QV_PG_STATE=STATE,
// ODBCSYSINI=tests/database/odbc and QUORVANE_ODBC_DRIVER="PostgreSQL Unicode".
#include "ado/ado.h"
#include "common/pgserver.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

_ConnectionPtr openConnection()
{
    _ConnectionPtr connection;
    connection.CreateInstance("ADODB.Connection");
    connection->Open(("Data Source=" + qvtest::pgServer() + ";Initial Catalog=" + qvtest::pgDatabase()
                      + ";User Id=" + qvtest::pgUser() + ";Password=" + qvtest::pgPassword())
                         .c_str(),
                     "", "", 0);
    return connection;
}

_RecordsetPtr rows(const _ConnectionPtr& connection, long count)
{
    _CommandPtr command;
    command.CreateInstance("ADODB.Command");
    command->PutRefActiveConnection(connection);
    command->PutCommandType(ADODB::adCmdStoredProc);
    command->PutCommandText("__ado_rows");
    command->GetParameters()->Append(
        command->CreateParameter("@count", ADODB::adInteger, ADODB::adParamInput, 4, _variant_t(count)));
    return command->Execute(nullptr, nullptr, ADODB::adCmdStoredProc);
}

// Execute (every row read and stored) and a walk reading two fields by name per row; the
// heap kept by the recordset is reported per row.
void readRecordset(benchmark::State& state)
{
    const _ConnectionPtr connection = openConnection();
    double bytesPerRow = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        _RecordsetPtr recordset = rows(connection, state.range(0));
        bytesPerRow = static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(state.range(0));
        double sum = 0;
        for (; !recordset->GetadoEOF(); recordset->MoveNext())
            sum += static_cast<double>(recordset->GetCollect("ratio")) + recordset->GetCollect("name").vt;
        benchmark::DoNotOptimize(sum);
    }
    state.counters["bytes/row"] = bytesPerRow;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Rows of one text column of 1,000 characters: the heap the recordset keeps per row, against
// the 1,000 bytes of its text (run alone under /usr/bin/time -v for the peak of the process).
void readWideText(benchmark::State& state)
{
    const auto heap = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };
    const _ConnectionPtr connection = openConnection();
    const std::string query = "SELECT repeat('x', 1000) FROM generate_series(1, " + std::to_string(state.range(0)) + ")";
    double bytesPerRow = 0;
    for (auto _ : state) {
        const size_t before = heap();
        _RecordsetPtr recordset = connection->Execute(query.c_str(), nullptr, ADODB::adCmdText);
        bytesPerRow = static_cast<double>(heap() - before) / static_cast<double>(state.range(0));
        benchmark::DoNotOptimize(recordset->GetRecordCount());
    }
    state.counters["bytes/row"] = bytesPerRow;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(readRecordset)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(readWideText)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
