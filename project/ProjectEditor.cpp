#include "project/ProjectEditor.h"

#include "project/PrefFolders.h"
#include "project/ProjectFile.h"

#include <algorithm>
#include <sys/stat.h>

namespace pagolux {

ProjectEditor::ProjectEditor(std::string favouritesPath, OutputChoice defaultOutput)
    : favouritesPath_(std::move(favouritesPath)), defaultOutput_(std::move(defaultOutput)),
      output_(defaultOutput_)
{
}

int32_t ProjectEditor::startIndex() const
{
    return project_.startFile() ? project_.startIndex : -1;
}

void ProjectEditor::keepStartOn(const std::optional<std::string>& startEntry, int32_t oldIndex)
{
    const auto& entries = project_.entries;
    project_.startIndex = entries.empty() ? -1 : 0;
    // A start line that lies past the new end is not looked for: the first entry takes over.
    if (!startEntry || oldIndex > static_cast<int32_t>(entries.size()) - 1)
        return;
    const auto last = std::find(entries.rbegin(), entries.rend(), *startEntry);
    if (last != entries.rend())
        project_.startIndex = static_cast<int32_t>(entries.rend() - last - 1);
}

std::size_t ProjectEditor::add(const std::string& folder, const std::vector<std::string>& names)
{
    const std::optional<std::string> start = project_.startFile();
    const int32_t oldIndex = project_.startIndex;
    const bool adding = !folder.empty() && !names.empty();
    if (adding)
        for (const std::string& name : names)
            project_.entries.push_back(folder + name);
    keepStartOn(start, oldIndex);
    // The lists are rebuilt whether or not anything was added.
    if (!adding) {
        notify(Entries);
        return 0;
    }
    PrefFolders::moveToTop(favourites_, folder);
    // A favourites file that cannot be written is skipped without a message; the next change
    // writes the list again.
    if (!favouritesPath_.empty())
        (void)PrefFolders::save(favouritesPath_, favourites_);
    notify(Entries | Favourites);
    return names.size();
}

void ProjectEditor::remove(const std::vector<int>& lines)
{
    const std::optional<std::string> start = project_.startFile();
    const int32_t oldIndex = project_.startIndex;
    std::vector<int> sorted = lines;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
        if (*it >= 0 && static_cast<std::size_t>(*it) < project_.entries.size())
            project_.entries.erase(project_.entries.begin() + *it);
    keepStartOn(start, oldIndex);
    notify(Entries);
}

void ProjectEditor::setStart(int32_t line)
{
    if (line < 0 || static_cast<std::size_t>(line) >= project_.entries.size() || line == project_.startIndex)
        return;
    project_.startIndex = line;
    notify(Start);
}

void ProjectEditor::setSettings(const BuildSettings& settings)
{
    BuildSettings clamped = settings;
    clamped.width = BuildSettings::clampExtent(clamped.width);
    clamped.height = BuildSettings::clampExtent(clamped.height);
    if (clamped == project_.settings)
        return;
    project_.settings = clamped;
    notify(Settings);
}

void ProjectEditor::setOutput(const OutputChoice& output)
{
    if (output == output_)
        return;
    output_ = output;
    saveOutput_ = true;
    notify(Output);
}

void ProjectEditor::setFileName(const std::string& path)
{
    fileName_ = path;
    notify(FileName);
}

void ProjectEditor::reset()
{
    project_ = Project{};
    project_.settings = BuildSettings::afterNew();
    output_ = defaultOutput_;
    saveOutput_ = true;
    fileName_.clear();
    notify(Entries | Settings | Output | FileName);
}

std::vector<std::string> ProjectEditor::open(const std::string& path)
{
    // Read completely before anything changes, so a refused file leaves the project as it was.
    Project read = ProjectFile::read(path, project_.settings);
    saveOutput_ = read.output.has_value();
    if (read.output)
        output_ = *read.output;
    read.output.reset();
    // An index outside the entries means no start file; it is saved back as -1.
    if (!read.startFile())
        read.startIndex = -1;
    project_ = std::move(read);
    fileName_ = path;
    notify(Entries | Settings | Output | FileName);
    return missingEntries();
}

void ProjectEditor::save(const std::string& path)
{
    Project written = project_;
    if (saveOutput_)
        written.output = output_;
    ProjectFile::write(path, written);
    setFileName(path);
}

void ProjectEditor::entriesPacked()
{
    keepStartOn(project_.startFile(), project_.startIndex);
    notify(Entries);
}

void ProjectEditor::loadFavourites()
{
    favourites_ = favouritesPath_.empty() ? std::vector<std::string>{} : PrefFolders::load(favouritesPath_);
    notify(Favourites);
}

bool ProjectEditor::isMissing(const std::string& entry)
{
    // A full path of another system (a project file made on Windows) names nothing here.
    struct stat st {};
    return ProjectFile::isForeignPath(entry) || ::stat(entry.c_str(), &st) != 0;
}

std::vector<std::string> ProjectEditor::missingEntries() const
{
    std::vector<std::string> missing;
    for (const std::string& entry : project_.entries)
        if (isMissing(entry))
            missing.push_back(entry);
    return missing;
}

void ProjectEditor::notify(unsigned changes)
{
    for (const Listener& listener : listeners_)
        listener(changes);
}

} // namespace pagolux
