#pragma once

#include <string>
#include <string_view>

namespace sscm {

/// The controls of the main window that the commands read or change, by their window names.
enum class Ctl {
    Command1, ///< Read button
    Command4, ///< GO button
    Command5, ///< Exit button
    Command6, ///< Save results button
    Label11,  ///< status of the analysis run
    Label14,  ///< change of the eigenvector iteration
    Label18,  ///< progress of Read
    List1,    ///< variable names
    List3,    ///< result list
    Text1,    ///< case (site) variable
    Text2,    ///< plant species variable
    Text3,    ///< result file name
    Text4,    ///< local preference intensity variable
    Text5,    ///< occurrence threshold
    Text6,    ///< log file name
    Text7,    ///< data file name
    Check1,   ///< remove low-occurrence species
    Dir1,     ///< directory list: its path is the data directory
};

/// The control's name in the window ("Command4", "Text5", ...).
const char* ctlName(Ctl c);

/// Every effect a command has on the window goes through this interface, so the same commands
/// drive the Qt window, the batch front end and the tests. Implementations must make
/// processEvents() and setCaption() cheap: the commands call them once per data row or record.
class Window {
public:
    virtual ~Window() = default;

    /// Caption of a button or label.
    virtual void setCaption(Ctl c, std::string_view text) = 0;
    /// Enables or disables a button.
    virtual void setEnabled(Ctl c, bool enabled) = 0;
    /// Text of a text box; for Dir1 its current path.
    virtual std::string text(Ctl c) = 0;
    /// Sets the text of a text box.
    virtual void setText(Ctl c, std::string_view text) = 0;
    /// Value of the check box: 1 when ticked, 0 when not.
    virtual int value(Ctl c) = 0;
    /// Removes every item of a list box.
    virtual void clearList(Ctl c) = 0;
    /// Adds an item at the end of a list box.
    virtual void addItem(Ctl c, std::string_view item) = 0;
    /// Number of items of a list box.
    virtual int itemCount(Ctl c) = 0;
    /// Item of a list box by position, counted from 0.
    virtual std::string item(Ctl c, int index) = 0;
    /// Modal message box with a warning icon and an OK button; returns once it is closed.
    virtual void warning(std::string_view text, std::string_view title) = 0;
    /// Lets the window handle pending events. Returns false once the user has asked to close
    /// the window: the running command then stops at its next opportunity.
    virtual bool processEvents() = 0;
};

} // namespace sscm
