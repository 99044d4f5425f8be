#include "mp3/id3v1.h"

#include <cstring>

#include "common/output.h"

namespace tagdelve {

// The genre list of ID3v1 with the Winamp extensions (80 to 147), as the
// taggers write it, spellings included.
const char* const ID3v1_genre[152] = {
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
    "Trash Metal", "Anime", "Jpop", "Synthpop",
    // 148 to 151: unused
    "", "", "", ""};

namespace {

constexpr int kLastGenre = 147;

// Prints one fixed-width text field: its bytes up to the first zero byte, or
// all `width` of them, as they are.
void text_line(const char* head, const uint8_t* p, size_t width) {
  char text[61];
  memcpy(text, p, width);
  text[width] = '\0';
  printi();
  outf("\t%s{%s}\n", head, text);
}

}  // namespace

int ID3v1_tag(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset, int64_t limit) {
  printi();
  outs("ID3v1 tag\n");
  // The tag from its title on (tag offsets 3 to 127); the title's first byte
  // came with the signature.
  uint8_t tag[125];
  tag[0] = sig[3];
  if (vfgetm(tag + 1, 124, stream, block, offset, limit) < 0) return 0;
  offset += 124;

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
  if (genre <= kLastGenre) outf(" [%s]", ID3v1_genre[genre]);
  outc('\n');
  return 1;
}

int ID3v1_tag_ext(Stream* stream, const uint8_t* block, uint8_t* /*sig*/, int64_t& offset,
                  int64_t limit) {
  printi();
  outs("ID3v1 extended tag\n");
  uint8_t tag[223];  // tag offsets 4 to 226
  if (vfgetm(tag, 223, stream, block, offset, limit) < 0) return 0;
  offset += 223;

  text_line("Track remainder : ", tag, 60);
  text_line("Artist remainder: ", tag + 60, 60);
  text_line("Album remainder : ", tag + 120, 60);
  printi();
  outf("\tSpeed           : {%c}\n", tag[180]);
  text_line("Genre           : ", tag + 181, 30);
  text_line("Start time      : ", tag + 211, 6);
  text_line("End time mmm:ss : ", tag + 217, 6);
  return 1;
}

}  // namespace tagdelve
