#pragma once
// The drive list and the folder list of the folder browser, for Linux.
//
// DriveListBox lists the places a user browses from: "/", the home folder and
// the media mounted under /media, /mnt and /run/media/<user>. Its Drive is the
// path of the chosen place ("/", "/home/ann", "/media/ann/USB"). Setting Drive
// to any path chooses the place that holds it; the old drive form ("c:",
// "D:\Music") chooses the home folder, which stands in for the old "c:\".
//
// DirListBox shows a folder as the old folder list did: the folders from "/"
// down to it, then its sub-folders. Path is the folder shown (no trailing
// "/", except for "/" itself). A double-click or Enter on a line opens that
// folder (Path changes, Change runs); a single click only selects the line
// (ListIndex, Click). Setting Path to a folder that does not exist shows the
// home folder instead.
//
// Change runs only when the value really changes, from code or by the user.
#include "platform/forms/control.h"

#include <functional>
#include <string>
#include <vector>

class DriveListBox : public Control {
public:
    explicit DriveListBox(Container* parent);
    ~DriveListBox() override;

    // The chosen place's path ("" only while the list is empty).
    std::string Drive() const;
    // Chooses the place that holds `path` (see above); Change runs when the
    // choice changes.
    void setDrive(const std::string& path);

    int ListCount() const { return static_cast<int>(roots_.size()); }
    // The path of place i (0-based), "" out of range.
    std::string List(int i) const;
    int ListIndex() const { return index_; }
    void setListIndex(int i);

    // Reads the places again (media plugged in or removed); the choice stays
    // when its place is still there. The list also does this each time the
    // user opens it.
    void refreshDrives();

    void onChange(std::function<void()> f) { change_ = std::move(f); }

    // The places of this system, in list order: "/", home, mounted media.
    static std::vector<std::string> systemRoots();
    // Of `roots`, the one that holds `path` (longest matching folder prefix);
    // the drive form ("c:", "D:\x") and relative paths give `home`. "" when
    // nothing matches.
    static std::string pickRoot(const std::vector<std::string>& roots, const std::string& path,
                                const std::string& home);

private:
    void fill();
    void choose(int i, bool fire);
    std::vector<std::string> roots_;
    int index_ = -1;
    bool filling_ = false;
    std::function<void()> change_;
};

class DirListBox : public Control {
public:
    explicit DirListBox(Container* parent);
    ~DirListBox() override;

    // The folder shown: absolute, without a trailing "/" (except "/").
    const std::string& Path() const { return path_; }
    // Shows `path` (a trailing "/" or "\" is allowed; a relative path is
    // taken from the folder shown). A folder that does not exist, or the old
    // drive form, shows the home folder instead, and the result is false.
    // Change runs when the folder shown changes.
    bool setPath(const std::string& path);

    // Sub-folders of Path: List(0) .. List(ListCount - 1), full paths, sorted
    // by name without regard to case (hidden folders left out). List(-1) is
    // Path itself, List(-2) its parent, and so on up to "/". "" out of range.
    int ListCount() const { return static_cast<int>(subfolders_.size()); }
    std::string List(int i) const;
    // The selected line in the numbering of List; -1 is Path itself.
    int ListIndex() const { return listIndex_; }
    // Selects a line (Click runs when the selection changes); out of range
    // is ignored.
    void setListIndex(int i);

    // Reads the sub-folders of Path again.
    void Refresh();

    void onChange(std::function<void()> f) { change_ = std::move(f); }

private:
    void fill();
    void open(int listIndex);
    std::string path_;
    std::vector<std::string> ancestors_;   // "/" first, Path last
    std::vector<std::string> subfolders_;
    int listIndex_ = -1;
    bool filling_ = false;
    std::function<void()> change_;
};
