#pragma once
// Settings text between the settings files and the setup dialog's controls.
// A sale takes the bytes of a stored value as UTF-8 where they form valid
// UTF-8 and each other byte as the Latin-1 letter of that code (a file
// written in a Windows code page), so the dialog shows them the same way;
// and a value the administrator left as it was shown goes back to the file
// as the bytes it came from, not re-encoded.

#include <QString>
#include <string>
#include <string_view>

namespace dialogs {

// The text a sale reads from the stored bytes.
QString StoredText(std::string_view bytes);

// The bytes to store for `shown`, the text of a control that was filled
// from `stored`: `stored` itself while the text still reads as it does,
// else the text in UTF-8 without blanks or tabs at its ends.
std::string TextToStore(const QString& shown, const std::string& stored);

}  // namespace dialogs
