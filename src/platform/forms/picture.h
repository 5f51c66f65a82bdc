#pragma once
// StdPicture: an image loaded from a file (LoadPicture) or drawn by code, as the
// Picture property of forms, picture boxes, images and buttons holds it.
// A cheap value (shared, read-only image); an empty picture means "no picture".
// (The type keeps the old runtime's name StdPicture, so that the property
// getter `Picture()` of a window does not hide the type inside window code.)
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QImage;

class StdPicture {
public:
    StdPicture();                               // empty
    explicit StdPicture(const QImage& image);   // drawn by code (a copy is shared)
    ~StdPicture();
    StdPicture(const StdPicture&);
    StdPicture& operator=(const StdPicture&);

    bool valid() const;                      // false for the empty picture
    explicit operator bool() const { return valid(); }
    // A non-zero number while a picture is held (the old handle test).
    long Handle() const;
    // Size in twips (0 when empty).
    int Width() const;
    int Height() const;
    // Size in pixels (0 when empty).
    int pixelWidth() const;
    int pixelHeight() const;
    // The image itself; an empty (null) QImage for the empty picture.
    const QImage& image() const;

    bool operator==(const StdPicture& o) const { return img_ == o.img_; }

private:
    std::shared_ptr<const QImage> img_;
};

// Loads a JPEG, GIF (first frame), BMP, PNG or TIFF (when its reader is
// installed) file. An empty path gives the empty picture. A missing or
// unreadable file gives the empty picture and sets *ok to false when ok is
// given (the old call raised an error there).
StdPicture LoadPicture(const std::string& path, bool* ok = nullptr);

// The file patterns ("*.jpg;*.jpeg;...") of the picture formats among JPEG,
// BMP, GIF, TIFF and PNG that this build can read; a format whose reader is
// not installed (TIFF without its image plugin) is left out.
std::string PictureFilePatterns();

// A small picture drawn from text, for button faces: one string per row of
// pixels, one character per pixel; `palette` gives the colour (0xBBGGRR) of
// each character used; any other character is transparent. Rows shorter than
// the longest are transparent at their end. Empty art gives the empty picture.
StdPicture PictureFromArt(const std::vector<std::string>& rows, const std::vector<std::pair<char, long>>& palette);
