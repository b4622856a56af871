#pragma once
// The Enter key in the dialogs that have no default button. Qt makes every
// push button of a dialog "auto-default" and, when the dialog is shown, the
// first of them after the focused control its default button, so Enter typed
// into an edit would press that button (a mail-domain button would append its
// domain to the address, the setup's "Test" would send a test receipt). In
// these dialogs Enter in an edit, a box or a list presses nothing; Enter on a
// focused push button or picture (tool) button presses that button, as Space
// does. (The card-data
// dialog has a default button, "Ok", and is left to Qt.)

class QDialog;

namespace dialogs {

// Installs the rule on `dialog`: from each showing on, none of its push
// buttons is auto-default or default.
void KeepEnterFromButtons(QDialog& dialog);

}  // namespace dialogs
