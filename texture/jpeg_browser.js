// The page's half of the browser's JPEG decoder (texture/jpeg_browser.cpp). Decoding in the
// browser is asynchronous and the texture loader is not, so every picture is fetched and
// decoded before the effect asks for it: Module.jpegPaths names them, their fetches start as
// soon as this script runs (beside the download of the .wasm) and Module.jpegReady settles when
// all are done. What each fetch found is kept under its path in Module.jpegImages, as facts
// (HTTP status, size, frame header, decoded picture); the C++ side turns them into the
// decoder's results.

// The width and height in the frame header of a JPEG file, or null when the bytes do not start
// like a JPEG file or end before a frame header.
function jpegFrameSize(bytes) {
  if (bytes.length < 4 || bytes[0] != 0xff || bytes[1] != 0xd8) return null;
  for (let i = 2; i + 4 <= bytes.length; ) {
    if (bytes[i] != 0xff) return null;
    const marker = bytes[i + 1];
    if (marker == 0xff) { i += 1; continue; } // fill byte
    if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) { i += 2; continue; }
    if (marker == 0xd9 || marker == 0xda) return null; // the end, or a scan before any frame
    // Start of frame: every 0xc0..0xcf but DHT (c4), JPG (c8) and DAC (cc).
    if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc) {
      if (i + 9 > bytes.length) return null;
      const height = (bytes[i + 5] << 8) | bytes[i + 6], width = (bytes[i + 7] << 8) | bytes[i + 8];
      return width > 0 && height > 0 ? { width: width, height: height } : null;
    }
    i += 2 + ((bytes[i + 2] << 8) | bytes[i + 3]);
  }
  return null;
}

Module['jpegImages'] = new Map();

// Fetches one picture and decodes it; never rejects.
Module['prefetchJpeg'] = async function (path) {
  // status: the HTTP status, 0 when no answer came; bytes: the file's size, -1 when its body
  // could not be read; width, height: the frame header's, 0 when none; image: the decoded
  // picture, null when the browser could not decode it.
  const found = { status: 0, bytes: 0, width: 0, height: 0, image: null };
  Module['jpegImages'].set(path, found);
  let bytes;
  try {
    const response = await fetch(path);
    found.status = response.status;
    if (!response.ok) return;
    const length = Number(response.headers.get('Content-Length'));
    if (length > 64 * 1024 * 1024) { // jpegMaxFileSize: too large to be a wall texture
      found.bytes = Math.min(length, 0x7fffffff);
      response.body.cancel();
      return;
    }
    bytes = new Uint8Array(await response.arrayBuffer());
    found.bytes = Math.min(bytes.length, 0x7fffffff);
  } catch (e) {
    if (found.status != 0) found.bytes = -1;
    return;
  }
  const size = jpegFrameSize(bytes);
  if (!size) return;
  found.width = size.width;
  found.height = size.height;
  try {
    // The file's own colours, as the desktop decoders deliver them.
    found.image = await createImageBitmap(new Blob([bytes], { type: 'image/jpeg' }),
                                          { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  } catch (e) {
  }
};

Module['jpegReady'] = Promise.all((Module['jpegPaths'] || []).map(Module['prefetchJpeg']));
