// The Favorites index page: an HTML list of every Internet shortcut in Favorites, indented by folder.
#pragma once
#include <string>

// Appends the page to destination + "\" + name (created when missing), in the system code page.
bool gProcCreateFavoriteIndexFile(const std::string& destination, const std::string& name);
