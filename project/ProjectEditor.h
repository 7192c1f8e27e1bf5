#pragma once
// The open project and its rules: the entries and the start file that follows its entry, the
// build settings, where the program goes, the project file's name and the favourite folders.
// Every view (the main window's lists and pages) renders from it and forwards what the user
// does; after each change the listeners hear what changed.

#include "project/Project.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pagolux {

class ProjectEditor {
  public:
    // What a change touched; listeners get a combination of these bits.
    enum Change : unsigned {
        Entries = 1,    // the entries (and with them the start file)
        Start = 2,      // the start file alone
        Settings = 4,   // the build settings
        Output = 8,     // output name, target system, start after building
        FileName = 16,  // the project file's name (the window's title)
        Favourites = 32 // the favourite folders
    };
    using Listener = std::function<void(unsigned changes)>;

    // favouritesPath: the file of the favourite folders ("folders.dat"); empty keeps them in
    // memory only. defaultOutput: what "Neu" sets as the output choice.
    ProjectEditor(std::string favouritesPath, OutputChoice defaultOutput);

    void onChange(Listener listener) { listeners_.push_back(std::move(listener)); }

    [[nodiscard]] const Project& project() const { return project_; }
    [[nodiscard]] const std::vector<std::string>& entries() const { return project_.entries; }
    // The start file's line, -1 for none.
    [[nodiscard]] int32_t startIndex() const;
    [[nodiscard]] const BuildSettings& settings() const { return project_.settings; }
    [[nodiscard]] const OutputChoice& output() const { return output_; }
    // The project file the project was last opened from or saved to; empty while untitled.
    [[nodiscard]] const std::string& fileName() const { return fileName_; }
    [[nodiscard]] const std::vector<std::string>& favourites() const { return favourites_; }

    // Adds folder + name for each name, in order (folder ends in the separator). When at least
    // one was added, folder moves to the top of the favourites, which are saved. Returns how
    // many were added; without a folder nothing is. The views are told in every case.
    std::size_t add(const std::string& folder, const std::vector<std::string>& names);
    // Removes the entries at these lines; lines outside the entries are skipped.
    void remove(const std::vector<int>& lines);
    // Makes line the start file; a line outside the entries is ignored.
    void setStart(int32_t line);
    void setSettings(const BuildSettings& settings);
    void setOutput(const OutputChoice& output);
    // Titles the project with path (empty: untitled) without reading or writing it.
    void setFileName(const std::string& path);
    // "Neu": no entries, no start file, the settings of a new project, the default output
    // choice, untitled.
    void reset();
    // Replaces the project by the one in path. Throws ProjectFileError and changes nothing
    // when the file is refused. Returns the entries that name nothing here (gone, or paths of
    // another system), in list order. A file without an output block keeps the current output
    // choice, as files of the older layout always did.
    std::vector<std::string> open(const std::string& path);
    // Writes the project to path and titles it so. Throws ProjectFileError; the title stays
    // then. A project opened from a file without an output block is saved without one until
    // its output choice changes, so such a file is written back byte for byte.
    void save(const std::string& path);
    // After a build packed the entries: the start file follows its entry and the views are
    // rebuilt (entries may have appeared or gone on the disk).
    void entriesPacked();

    // Reads the favourite folders from their file (missing or unreadable: none).
    void loadFavourites();

    // The entries that name no file or folder here, in list order.
    [[nodiscard]] std::vector<std::string> missingEntries() const;
    [[nodiscard]] static bool isMissing(const std::string& entry);

  private:
    // Entries changed: the start file stays on its entry (the last equal one) or, when that is
    // gone or its old line lies past the new end, moves to the first entry.
    void keepStartOn(const std::optional<std::string>& startEntry, int32_t oldIndex);
    void notify(unsigned changes);

    std::string favouritesPath_;
    OutputChoice defaultOutput_;
    Project project_;
    OutputChoice output_;
    bool saveOutput_ = true; // false while a file of the older layout is open and unchanged
    std::string fileName_;
    std::vector<std::string> favourites_;
    std::vector<Listener> listeners_;
};

} // namespace pagolux
