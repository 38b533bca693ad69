// The recycle bin as Wine keeps it: the XDG trash of the Linux user
// ($XDG_DATA_HOME/Trash, by default ~/.local/share/Trash), where each item lies in files/ with
// a note in info/<name>.trashinfo that names its original path.
#pragma once
#include <string>
#include <vector>

namespace vardune::test {

struct Trashed {
  std::string original;  // the Linux path the item had
  std::string stored;    // the Linux path it has in the trash
};

// The trash's folder ("" when it cannot be found).
std::string TrashDir();
// Empty when Wine's bin can take what lies in the Windows directory `dir`; otherwise why not.
// Wine moves an item into the trash only within one file system (a /tmp of its own, as a
// tmpfs, is another): the shell then asks whether to delete it for good instead.
std::string TrashUnusableFor(const std::wstring& dir);
// The items in the trash whose original path begins with `prefix`.
std::vector<Trashed> TrashedBelow(const std::string& prefix);
// Removes them from the trash for good (the trash is the user's, shared with other runs).
void EmptyTrashBelow(const std::string& prefix);

}  // namespace vardune::test
