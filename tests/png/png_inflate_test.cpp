// A compressed text of about a kilobyte that inflates past the cap: the
// first 1 MiB of it is shown, then one error line, and the walk goes on.
// (A case file would give reference reports of megabytes.)
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "png/png_chunks.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace {

test::Bytes chunk(const std::string& type, const test::Bytes& data) {
  test::Bytes c;
  c.be32(static_cast<uint32_t>(data.size())).str(type).append(data);
  return c.be32(static_cast<uint32_t>(crc32(0, c.data() + 4, static_cast<uInt>(c.size() - 4))));
}

TEST(PngText, InflatedUpToTheCap) {
  const std::vector<uint8_t> text(static_cast<size_t>(tagdelve::kInflateCap) + 1, 'a');
  std::vector<uint8_t> packed(compressBound(text.size()));
  uLongf n = packed.size();
  ASSERT_EQ(compress(packed.data(), &n, text.data(), text.size()), Z_OK);
  test::Bytes data;
  data.str("big").add({0, 0}).v.insert(data.v.end(), packed.begin(), packed.begin() + static_cast<long>(n));
  test::Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.append(chunk("IHDR", test::Bytes{0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0})).append(chunk("zTXt", data));
  png.append(chunk("IEND", test::Bytes{}));
  const std::string report = test::walk_as("cap.png", png.v, 0);
  const std::string line = "\t{big} = {" + std::string(static_cast<size_t>(tagdelve::kInflateCap), 'a') + "}\n";
  EXPECT_NE(report.find("zTXt chunk\n" + line + "Error: The zTXt text inflates past 1048576 bytes: cut there\nIEND chunk\n"),
            std::string::npos);
}

}  // namespace
