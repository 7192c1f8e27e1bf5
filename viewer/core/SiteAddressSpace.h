#pragma once
// The addresses under which a built program (and the preview) serves its site, and how an
// address finds its member, as a web server with the start file's folder as document root
// would answer. Shared by every viewer and the preview so that they all answer alike. Qt-free.
//
// The rules:
// - The start file's folder is the site root: the start page is "/<its name>", every member
//   below that folder is at its relative path with "/" separators.
// - Members outside the start folder (reached by pages through "../shared/x.css") live at
//   their path relative to the nearest folder above the start folder that holds them. A
//   browser clamps "../" at the root, so "../shared/x.css" from "/index.html" asks for
//   "/shared/x.css"; a path that names nothing below the start folder is therefore looked up
//   in the start folder's parent, then its parent, up to the folder all members share.
// - "about/" serves "about/index.html", else "about/index.htm"; "about" naming a folder (and
//   no member) answers 301 to "about/" so that the relative links inside it resolve. "/" of a
//   site without an index page serves the start page.
// - An exact name wins; a name that differs only in ASCII upper/lower case is used only when
//   no exact one exists anywhere (sites made on Windows).
// - An unknown address answers 404 with the site's own "404.html" at its root when it has
//   one, else with the built-in German page (empty member).
// - Query strings and fragments are ignored; "%xx" is decoded; "+" stays a plus sign; "." and
//   ".." segments are folded as a browser does (never above the root); a decoded backslash or
//   NUL names nothing. No address ever holds a folder of the author's machine.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pagolux::viewer {

struct SiteAnswer {
    int status = 200;     // 200, 301 (folder named without "/"), 404
    std::string member;   // archive member key to send: the page, a folder's index page, or the
                          // site's own 404.html; empty with 404 = the built-in page
    std::string location; // for 301: the site path to go to, still %-encoded ("/about/")
    std::string mimeType; // type of what is sent ("text/html" for the built-in 404 page)
    std::string sitePath; // the decoded, folded site path asked for ("/about/x y.html")
};

class SiteAddressSpace {
  public:
    // memberKeys: every member key as the archive lists it ("\home\u\site\index.html");
    // startKey: the start file's key, a member or a folder that holds members (with or without
    // a trailing "\").
    SiteAddressSpace(std::vector<std::string> memberKeys, std::string startKey);

    // The address of the start page: "/index.html" for a start file, "/" for a start folder.
    [[nodiscard]] std::string startUrlPath() const;
    // The member key of the start page, or "" when there is none (a start folder without an
    // index page, or a start file that is not a member).
    [[nodiscard]] const std::string& startMember() const { return startMember_; }
    // The folder that is the site root, as a key prefix ending in "\" (or "" for the top).
    [[nodiscard]] const std::string& rootKey() const { return rootFolder_; }

    // Answers a request for encodedUrlPath (the path part of the URL, still %-encoded; a query
    // or fragment behind it is ignored).
    [[nodiscard]] SiteAnswer resolve(std::string_view encodedUrlPath) const;
    // The decoded site path under which memberKey is served ("/img/a b.png"); "" for a key
    // that is no member. For status bar and history texts.
    [[nodiscard]] std::string urlPathOf(std::string_view memberKey) const;

  private:
    // The member at rel ("\" separators) in the nearest searched folder, exact or by ASCII
    // case; "" if none.
    [[nodiscard]] std::string findMember(std::string_view rel, bool foldCase) const;
    // Whether rel ("\" separators) names a folder in one of the searched folders.
    [[nodiscard]] bool isFolder(std::string_view rel, bool foldCase) const;
    // The index page of the folder rel ("" = the site root), or "" when it has none.
    [[nodiscard]] std::string indexOf(const std::string& folderRel) const;

    std::vector<std::string> keys_;
    std::unordered_set<std::string> exact_;
    std::unordered_map<std::string, std::size_t> folded_; // lower-case key -> first in archive order
    std::unordered_set<std::string> folders_;             // every folder key, "\" at the end
    std::unordered_set<std::string> foldedFolders_;
    std::string rootFolder_;                 // the start folder
    std::vector<std::string> searchFolders_; // the start folder, then its parents up to the shared one
    std::string startMember_;
    bool startIsFolder_ = false;
};

// The names a folder address serves, in order of preference.
inline constexpr std::string_view kIndexNames[] = {"index.html", "index.htm"};
// The name of a site's own page for unknown addresses, at the site root.
inline constexpr std::string_view kNotFoundName = "404.html";

// The type a member is served with, chosen by its extension (ASCII case-insensitive);
// "application/octet-stream" for anything unknown. One table for every viewer.
[[nodiscard]] std::string_view mimeTypeFor(std::string_view name);

// The built-in German page for an address that names nothing; sitePath is shown HTML-escaped.
[[nodiscard]] std::string notFoundPageHtml(std::string_view sitePath);

// Decodes "%xx" sequences ("+" stays); a malformed sequence is kept as it stands.
[[nodiscard]] std::string percentDecode(std::string_view text);
// Encodes a decoded site path for a URL: everything but unreserved characters, "/" and the
// sub-delimiters a path may hold becomes "%XX".
[[nodiscard]] std::string percentEncodePath(std::string_view path);

} // namespace pagolux::viewer
