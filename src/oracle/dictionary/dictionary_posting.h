#pragma once
// The editing road with the data dictionary in it: the server's posting
// statements, preceded by the column defaults of a new record and by the
// client-side constraint checks of a field being set and of a cached post;
// the table's key columns come from the dictionary.

namespace oracle {

// Installs the server's posting (oracle/dml/posting.h) wrapped in the
// dictionary's defaults and checks; installing again changes nothing.
void InstallDictionaryPosting();

}  // namespace oracle
