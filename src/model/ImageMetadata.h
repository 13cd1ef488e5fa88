#pragma once

#include <QByteArray>

namespace velmaris {

// The camera and colour data a photo carries beside its pixels, kept as the file stored it so it
// can be written back: EXIF as a TIFF-structured block (without the "Exif\0\0" prefix), XMP as its
// XML packet, and the ICC colour profile.
struct ImageMetadata {
    QByteArray exif;
    QByteArray xmp;
    QByteArray iccProfile;

    bool isEmpty() const { return exif.isEmpty() && xmp.isEmpty() && iccProfile.isEmpty(); }
    friend bool operator==(const ImageMetadata&, const ImageMetadata&) = default;
};

}  // namespace velmaris
