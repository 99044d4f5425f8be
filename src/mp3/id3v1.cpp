#include "mp3/id3v1.h"

#include <iterator>

#include "common/printers.h"

namespace tagdelve {

// The genre list of ID3v1 with the Winamp extensions (80 to 147), as the
// taggers write it, spellings included.
const char* const ID3v1_genre[] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "Alternative Rock", "Bass", "Soul",
    "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle",
    "Native US", "Caberet", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi",
    "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // 80
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latic", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychadelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Pr0n Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "Acapella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merangue", "Salsa",
    "Trash Metal", "Anime", "Jpop", "Synthpop"};

const char* genre_name(int genre) {
  return genre >= 0 && genre < static_cast<int>(std::size(ID3v1_genre)) ? ID3v1_genre[genre] : nullptr;
}

namespace {

// Prints one fixed-width text field: its bytes up to the first zero byte, or
// all `width` of them, as they are.
void text_line(Report& r, const char* head, const uint8_t* p, size_t width, const char* name) {
  r.printi();
  r.outc('\t');
  r.outs(head);
  r.outc('{');
  put_latin1_field(r, p, width, name);
  r.outs("}\n");
}

}  // namespace

bool ID3v1_tag(Report& r, Source& src, uint8_t* sig, int64_t at) {
  Item item(r, "ID3v1 tag", src, at, 128);
  r.printi();
  r.outs("ID3v1 tag\n");
  // The tag from its title on (tag offsets 3 to 127); the title's first byte
  // came with the signature.
  uint8_t tag[125];
  tag[0] = sig[3];
  if (!src.read(tag + 1, 124)) {
    src.ended_inside("ID3v1 tag");
    return false;
  }

  text_line(r, "Track  : ", tag, 30, "title");
  text_line(r, "Artist : ", tag + 30, 30, "artist");
  text_line(r, "Album  : ", tag + 60, 30, "album");
  text_line(r, "Year   : ", tag + 90, 4, "year");
  text_line(r, "Comment: ", tag + 94, 30, "comment");
  // ID3v1.1: a zero byte before the last comment byte makes that byte the
  // track number.
  if (tag[122] == 0 && tag[123] != 0) {
    r.printi();
    r.outf("\tTrack #: %d\n", tag[123]);
    r.num(0, "track", tag[123]);
  }
  int genre = tag[124];
  r.printi();
  r.outf("\tGenre  : %d", genre);
  r.num(0, "genre", genre);
  if (const char* name = genre_name(genre)) {
    r.outf(" [%s]", name);
    r.str(0, "genre_name", name);
  }
  r.outc('\n');
  return true;
}

bool ID3v1_tag_ext(Report& r, Source& src, uint8_t* /*sig*/, int64_t at) {
  Item item(r, "ID3v1 extended tag", src, at, 227);
  r.printi();
  r.outs("ID3v1 extended tag\n");
  uint8_t tag[223];  // tag offsets 4 to 226
  if (!src.read(tag, 223)) {
    src.ended_inside("ID3v1 extended tag");
    return false;
  }

  text_line(r, "Track remainder : ", tag, 60, "title_remainder");
  text_line(r, "Artist remainder: ", tag + 60, 60, "artist_remainder");
  text_line(r, "Album remainder : ", tag + 120, 60, "album_remainder");
  r.printi();
  r.outs("\tSpeed           : {");
  put_latin1(r, tag + 180, 1);
  r.text(0, "speed", Enc::latin1, tag + 180, 1);
  r.outs("}\n");
  text_line(r, "Genre           : ", tag + 181, 30, "genre");
  text_line(r, "Start time      : ", tag + 211, 6, "start_time");
  text_line(r, "End time mmm:ss : ", tag + 217, 6, "end_time");
  return true;
}

}  // namespace tagdelve
