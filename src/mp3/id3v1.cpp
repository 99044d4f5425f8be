#include "mp3/id3v1.h"

#include <iterator>

#include "common/output.h"
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
void text_line(const char* head, const uint8_t* p, size_t width) {
  printi();
  outc('\t');
  outs(head);
  outc('{');
  put_latin1_field(p, width);
  outs("}\n");
}

}  // namespace

bool ID3v1_tag(Source& src, uint8_t* sig) {
  printi();
  outs("ID3v1 tag\n");
  // The tag from its title on (tag offsets 3 to 127); the title's first byte
  // came with the signature.
  uint8_t tag[125];
  tag[0] = sig[3];
  if (!src.read(tag + 1, 124)) {
    src.ended_inside("ID3v1 tag");
    return false;
  }

  text_line("Track  : ", tag, 30);
  text_line("Artist : ", tag + 30, 30);
  text_line("Album  : ", tag + 60, 30);
  text_line("Year   : ", tag + 90, 4);
  text_line("Comment: ", tag + 94, 30);
  // ID3v1.1: a zero byte before the last comment byte makes that byte the
  // track number.
  if (tag[122] == 0 && tag[123] != 0) {
    printi();
    outf("\tTrack #: %d\n", tag[123]);
  }
  int genre = tag[124];
  printi();
  outf("\tGenre  : %d", genre);
  if (const char* name = genre_name(genre)) outf(" [%s]", name);
  outc('\n');
  return true;
}

bool ID3v1_tag_ext(Source& src, uint8_t* /*sig*/) {
  printi();
  outs("ID3v1 extended tag\n");
  uint8_t tag[223];  // tag offsets 4 to 226
  if (!src.read(tag, 223)) {
    src.ended_inside("ID3v1 extended tag");
    return false;
  }

  text_line("Track remainder : ", tag, 60);
  text_line("Artist remainder: ", tag + 60, 60);
  text_line("Album remainder : ", tag + 120, 60);
  printi();
  outs("\tSpeed           : {");
  put_latin1(tag + 180, 1);
  outs("}\n");
  text_line("Genre           : ", tag + 181, 30);
  text_line("Start time      : ", tag + 211, 6);
  text_line("End time mmm:ss : ", tag + 217, 6);
  return true;
}

}  // namespace tagdelve
