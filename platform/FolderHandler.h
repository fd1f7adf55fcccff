// Which program the desktop opens folders with. Tessaly offers itself for
// folders ("Open With" in a file manager), so opening a folder for the user
// must first make sure that the desktop does not hand it back to Tessaly.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::platform {

// The desktop entry that opens folders (the type inode/directory) by
// default, as `xdgMime query default inode/directory` names it, for
// example "org.gnome.Nautilus.desktop"; empty when there is none, or the
// program cannot be run, fails or says nothing within a few seconds.
std::string DefaultFolderHandler(const std::string& xdgMime = "xdg-mime");

// True when `desktopId` is one of Tessaly's own desktop entries: the
// application's ID + ".desktop", or "tessaly.desktop" of installs made
// before the entry took that name (letter case does not count).
bool IsOwnDesktopEntry(std::string_view desktopId, std::string_view appId);

}  // namespace tessaly::platform
