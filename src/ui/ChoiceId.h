#pragma once
// The seven yes/no choice dialogs, by their own names.

namespace kinetra {

enum class ChoiceId {
    frmfechar,              // "Cancel It?"
    frmoutroponto,          // "Another point to entry?"
    frmchangeX,             // "Change X axis?"
    frmconsiderabaseline2,  // "Consider Baseline?" (graph 2's Next)
    frmsalvaarquivo,        // "Save data changed?"
    frmrespostabaseline,    // "Consider Baseline?" (calculation window)
    frmchangedata,          // the point list's four-way change dialog
};

}  // namespace kinetra
