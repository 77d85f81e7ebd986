#pragma once
// What every interpreter of the process shares, in one object: the
// recursion weight of the runs in progress, what the event in progress has
// spent, the two ledgers the event budgets are measured against, and the
// quiet lookup flag. Scripts run on one thread, so plain fields do.
//
// Keep in mind: the ledgers (textGrowth, variableRecords) are running totals
// that the variable lists add to and take back from as they change and go;
// only differences between two readings mean anything, and a reset leaves
// them alone, or a list that goes afterwards would drive them below zero.

#include <cstdint>

namespace script {

// What the event in progress has spent: a run that starts while another
// runs (a native running another element's event, Exec) spends from the
// outer run's budgets, so nesting runs cannot multiply them. Set afresh when
// a run starts while none is in progress.
struct EventSpending {
  int runs = 0;
  uint64_t statements = 0;
  uint64_t textBase = 0;     // textGrowth when the event started
  int64_t variableBase = 0;  // variableRecords when the event started
};

struct ProcessState {
  // Recursion weight of all runs in progress (see kMaxNesting): nested runs
  // of the pool recurse through each other, so one count serves them all.
  int nesting = 0;
  EventSpending event;
  // Bytes by which stored texts have grown, over every variable list and
  // every text written to an element through a path: a text that replaces a
  // shorter value (or none) adds the difference; nothing is given back when
  // texts shrink or go, except the texts a rollback drops (they were counted
  // since its snapshot opened). Transient texts (expression results, an
  // accumulator that is flushed and refilled in place) cost nothing beyond
  // what they keep, so the event limit bounds the memory a script can make
  // the program hold, not the work it does.
  uint64_t textGrowth = 0;
  // Values held by every list that is not transient, net: its records and
  // the old values its open snapshots keep for a rollback. An append or the
  // first change of a record under a snapshot adds one; a removal without a
  // snapshot, a rollback of such a change and a list that goes give theirs
  // back. Locals of a procedure call cost nothing once the call returns,
  // however often it is made; the values a deep recursion keeps for its
  // callers do cost.
  int64_t variableRecords = 0;
  // Set by the natives that read names given as text: a read of a name no
  // element knows then fails instead of giving 0 with a diagnostic line.
  bool quietLookup = false;
};

inline ProcessState g_process;

// Back to the state between events: no run in progress, nothing spent, the
// quiet flag clear (the ledgers stay, see above). For tests, between cases
// and after one that may have stopped half-way.
inline void ResetProcessState() {
  g_process.nesting = 0;
  g_process.event = EventSpending{};
  g_process.quietLookup = false;
}

}  // namespace script
