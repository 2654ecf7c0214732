// Stored-procedure calls of five parameters and reading a recordset, against the server of
// tests/database/pgcluster.sh, with the debug log off and on: the time per call and per row
// must not grow with their number (wall-clock time: the server does part of the work).
// Run by tests/bench/run_bench_database.sh.
#include "common/pgserver.h"
#include "common/tempdir.h"
#include "database/debuglogpath.h"
#include "database/parameterboolean.h"
#include "database/parameterdatetime.h"
#include "database/parameterfloat.h"
#include "database/parameterint.h"
#include "database/parametervarchar.h"
#include "database/storedprocedure.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

std::unique_ptr<CStoredProcedure> connect()
{
    return std::make_unique<CStoredProcedure>(qvtest::pgServer(), qvtest::pgDatabase(), qvtest::pgUser(),
                                              qvtest::pgPassword(), 60);
}

// Switches the debug log on for the second argument 1, into a fresh file.
struct DebugLogSwitch
{
    explicit DebugLogSwitch(bool on)
    {
        if (on)
            debugLogPath = dir.file("debug.xml").c_str();
    }
    ~DebugLogSwitch() { debugLogPath.Empty(); }
    TempDir dir;
};

void calls(benchmark::State& state)
{
    auto procedure = connect();
    procedure->setName("__dbt_five");
    const COleDateTime when(2018, 5, 31, 14, 5, 9);
    for (auto _ : state) {
        DebugLogSwitch log(state.range(1) != 0);
        for (long i = 0; i < state.range(0); ++i) {
            CParameters list;
            addInputParameter<CParameterInt>(list, "@a", static_cast<int>(i));
            addInputParameter<CParameterVarChar>(list, "@b", _bstr_t("a drawing layer"));
            addInputParameter<CParameterFloat>(list, "@c", i * 0.5);
            addInputParameter<CParameterBoolean>(list, "@d", 1);
            addInputParameter<CParameterDateTime>(list, "@e", when);
            procedure->setParameters(&list);
            procedure->execSPNoReturnParas();
        }
        procedure->setParameters(nullptr);
    }
    // Seconds per call ("u" for microseconds).
    state.counters["per_call"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void rows(benchmark::State& state)
{
    auto procedure = connect();
    procedure->setName("__dbt_rows");
    for (auto _ : state) {
        DebugLogSwitch log(state.range(1) != 0);
        CParameters list;
        addInputParameter<CParameterInt>(list, "@n", static_cast<int>(state.range(0)));
        procedure->setParameters(&list);
        _RecordsetPtr records = procedure->execSPReturnParas();
        procedure->setParameters(nullptr);
        double total = 0.0;
        for (; !records->GetadoEOF(); records->MoveNext()) {
            total += static_cast<long>(records->GetCollect("id"));
            total += static_cast<double>(records->GetCollect("amount"));
            benchmark::DoNotOptimize(static_cast<_bstr_t>(records->GetCollect("label")));
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["per_row"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(calls)->ArgsProduct({{1000, 10000}, {0, 1}})->ArgNames({"calls", "debugLog"})
    ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(rows)->ArgsProduct({{10000, 100000}, {0, 1}})->ArgNames({"rows", "debugLog"})
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();
