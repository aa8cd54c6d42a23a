#pragma once

class QMenuBar;

namespace sscm {

class MainForm;

/// The menu bar of the main window: File (Open folder, Save results, Export spectrum table,
/// Export chart, Exit), Analysis (GO, Confidence intervals, Copy results), View (Spectrum chart,
/// Comparison matrix) and Help (Data format, Describe this run, About). Its actions are named
/// "action" and a word
/// ("actionIntervals"), so tests find them.
QMenuBar* buildMenuBar(MainForm& form);

} // namespace sscm
