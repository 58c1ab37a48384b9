/*
 * gps_file.h - opening a GPS file of any format gpsbabel reads, by
 * converting it into a track file first.
 *
 * The conversion is kestrim-import's, the program beside the viewer, so
 * that the formats, the gpsbabel arguments and the computed speeds are
 * written down once.  It writes into a private folder of its own under
 * $TMPDIR, never beside the user's file, and the folder is removed as soon
 * as the track has been read, or when the conversion is interrupted.
 *
 * Entry points: GpsFile, open_gps_file(), forget_gps_file().
 */
#ifndef KESTRIM_GPS_FILE_H
#define KESTRIM_GPS_FILE_H

/* What the viewer reads for the file the user gave. */
struct GpsFile {
    const char* read_path; /* the track to read: the user's file, or the converted one */
    bool converted;        /* read_path is a private conversion */
};

/* Decides how path is read, converting it when it is a GPS file of another
   kind than a track (or when format names a gpsbabel format).  Prints
   "converted walk.gpx (GPX) with gpsbabel: 296 fixes" after a conversion;
   false, after one line naming the file and the reason, when the file
   cannot be converted. */
bool open_gps_file(const char* path, const char* format, GpsFile* file);

/* Removes the private conversion, once it has been read. */
void forget_gps_file(GpsFile* file);

#endif
