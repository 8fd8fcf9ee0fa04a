// The typed document model against the dataset it writes into: the same 10-item document filled through
// the typed objects (NotaFiscal, TNFe and its setters: conversion, checks, the objects themselves) and
// through Campo as a host would (support/NFeDocumentFiller). The closing line gives the ratio of the two
// from this run; the goal is at most 1.3.
//
// Fill: the document's values, from its start (Incluir; for the typed model the NotaFiscal with its
// tree) to the last value, and for the typed model the freeing of its NotaFiscal. Storing the document
// (Salvar, the same work either way) runs with the timer stopped; the FillAndStore pair times it too.
#include "../support/RsaBaseline.h"
#include "support/NFeDocumentFiller.h"
#include "support/NFeDocumentFillerTipado.h"

#include "datasets/vxnNFeDataSetsTipado.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kItens = 10;

void ArmazenarDireto(vxn::TvxnNFeDataSets& ds) {
  ds.Salvar();
  benchmark::DoNotOptimize(ds.GetLoteNFe().Count());
  ds.GetLoteNFe().Clear();
}

void BM_Fill_DataSet(benchmark::State& state) {
  vxn::TvxnNFeDataSets ds;
  ds.SetXMLDicionario(vxn::test::ShippedDictionary());
  int nNF = 1;
  for (auto _ : state) {
    vxn::test::FillDocument(ds, nNF++, kItens);
    state.PauseTiming();
    ArmazenarDireto(ds);
    state.ResumeTiming();
  }
}

void BM_Fill_Tipado(benchmark::State& state) {
  vxn::TvxnNFeDataSetsTipado tipado;
  tipado.SetVersaoEsquema(vxn::pl_009g);
  tipado.SetXmlDicionario(vxn::test::ShippedDictionary());
  vxn::TNotasFiscais& notas = tipado.GetNotasFiscais();
  int nNF = 1;
  for (auto _ : state) {
    vxn::NotaFiscal& nota = notas.Add();
    vxn::test::FillDocumentTipado(nota, nNF++, kItens);
    state.PauseTiming();
    benchmark::DoNotOptimize(nota.GerarXML().size());
    state.ResumeTiming();
    notas.Delete(0);
  }
}

void BM_FillAndStore_DataSet(benchmark::State& state) {
  vxn::TvxnNFeDataSets ds;
  ds.SetXMLDicionario(vxn::test::ShippedDictionary());
  int nNF = 1;
  for (auto _ : state) {
    vxn::test::FillDocument(ds, nNF++, kItens);
    ArmazenarDireto(ds);
  }
}

void BM_FillAndStore_Tipado(benchmark::State& state) {
  vxn::TvxnNFeDataSetsTipado tipado;
  tipado.SetVersaoEsquema(vxn::pl_009g);
  tipado.SetXmlDicionario(vxn::test::ShippedDictionary());
  vxn::TNotasFiscais& notas = tipado.GetNotasFiscais();
  int nNF = 1;
  for (auto _ : state) {
    vxn::NotaFiscal& nota = notas.Add();
    vxn::test::FillDocumentTipado(nota, nNF++, kItens);
    benchmark::DoNotOptimize(nota.GerarXML().size());
    notas.Delete(0);
  }
}

BENCHMARK(BM_Fill_DataSet)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Fill_Tipado)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillAndStore_DataSet)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillAndStore_Tipado)->Unit(benchmark::kMicrosecond);

void Razao(const vxn::bench::RatioReporter& r, const char* oQue, const char* tipado, const char* direto,
           const char* meta) {
  if (r.Cpu(tipado) <= 0 || r.Cpu(direto) <= 0)
    return;
  std::printf("%s, typed model / dataset: CPU %.1f us / %.1f us = %.2f, wall %.1f us / %.1f us = %.2f%s\n",
              oQue, r.Cpu(tipado) * 1e6, r.Cpu(direto) * 1e6, r.Cpu(tipado) / r.Cpu(direto),
              r.Real(tipado) * 1e6, r.Real(direto) * 1e6, r.Real(tipado) / r.Real(direto), meta);
}

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vxn::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  Razao(reporter, "Filling the 10-item document", "BM_Fill_Tipado", "BM_Fill_DataSet", " (goal <= 1.3)");
  Razao(reporter, "Filling and storing it", "BM_FillAndStore_Tipado", "BM_FillAndStore_DataSet", "");
  return 0;
}
