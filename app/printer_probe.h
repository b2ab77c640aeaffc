#pragma once
// Some systems list a single pseudo-printer that only renders documents; the diary treats
// such a system as having no printer at all.
#include <QStringList>
#include <functional>

namespace inkwend {

// true when exactly one printer is listed and its name contains "Rendering" (case counts). A
// list that cannot be had (the query throws) hides nothing.
bool HidesPrinters(const std::function<QStringList()>& list_printers);

// Start-up's look at the system's printers (once); the answer holds for the rest of the run.
void ProbePrinters();

// true when the installed printers are to be treated as absent: the answer of ProbePrinters,
// which runs now when start-up has not run it yet.
bool PrintersHidden();

}  // namespace inkwend
