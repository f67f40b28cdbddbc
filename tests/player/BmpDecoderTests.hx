import haxe.io.Bytes;
import leafweaver.BmpDecoder;

/**
	The bitmap decoder, one case per kind of file it reads: each is a 2 x 2
	picture whose top row is red, green and bottom row blue, white (or the
	kind's own colours), written as that kind stores it.
**/
class BmpDecoderTests {
	static inline var R = 0xFFFF0000;
	static inline var G = 0xFF00FF00;
	static inline var B = 0xFF0000FF;
	static inline var W = 0xFFFFFFFF;
	static inline var K = 0xFF000000;

	/**
		A bitmap file: `header` 40 (with `masks` after it for bit fields) or
		12 (the old core header, 3-byte palette entries), then the palette,
		then `rows` as stored.
	**/
	static function file(header:Int, height:Int, bpp:Int, compression:Int, palette:Array<Int>, masks:Array<Int>, rows:Array<Int>):Bytes {
		var out = new haxe.io.BytesBuffer();
		var entry = header == 12 ? 3 : 4;
		var offset = 14 + header + masks.length * 4 + palette.length * entry;
		function u16(v:Int) {
			out.addByte(v & 0xFF);
			out.addByte((v >> 8) & 0xFF);
		}
		function u32(v:Int) {
			u16(v & 0xFFFF);
			u16((v >>> 16) & 0xFFFF);
		}
		out.addByte(0x42);
		out.addByte(0x4D);
		u32(offset + rows.length);
		u32(0);
		u32(offset);
		u32(header);
		if (header == 12) {
			u16(2);
			u16(height);
			u16(1);
			u16(bpp);
		} else {
			u32(2);
			u32(height);
			u16(1);
			u16(bpp);
			u32(compression);
			u32(rows.length);
			u32(2835);
			u32(2835);
			u32(palette.length);
			u32(0);
		}
		for (m in masks)
			u32(m);
		for (c in palette) {
			out.addByte(c & 0xFF);
			out.addByte((c >> 8) & 0xFF);
			out.addByte((c >> 16) & 0xFF);
			if (entry == 4)
				out.addByte(0);
		}
		for (b in rows)
			out.addByte(b);
		return out.getBytes();
	}

	static function hex(pixels:Iterable<Int>):String
		return [for (p in pixels) StringTools.hex(p, 8)].join(" ");

	public static function run(c:Check) {
		c.group("bitmap files");
		var rgbw = [0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF];
		// Rows run from the bottom unless the height is negative.
		var kinds:Array<{name:String, bytes:Bytes, expected:Array<Int>}> = [
			{name: "1 bit, two colours", bytes: file(40, 2, 1, 0, [0x000000, 0xFFFFFF], [], [0x40, 0, 0, 0, 0x80, 0, 0, 0]), expected: [W, K, K, W]},
			{name: "4 bits, a palette", bytes: file(40, 2, 4, 0, rgbw, [], [0x23, 0, 0, 0, 0x01, 0, 0, 0]), expected: [R, G, B, W]},
			{name: "8 bits, the old core header", bytes: file(12, 2, 8, 0, rgbw, [], [2, 3, 0, 0, 0, 1, 0, 0]), expected: [R, G, B, W]},
			{name: "16 bits, 5-5-5", bytes: file(40, 2, 16, 0, [], [], [0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03]), expected: [R, G, B, W]},
			{name: "24 bits, rows from the top", bytes: file(40, -2, 24, 0, [], [], [0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0]), expected: [R, G, B, W]},
			{name: "32 bits with alpha", bytes: file(40, 2, 32, 0, [], [], [0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0x80, 0, 0xFF, 0, 0xFF]), expected: [0x80FF0000, G, 0x000000FF, W]},
			{name: "32 bits without alpha", bytes: file(40, 2, 32, 0, [], [], [0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0]), expected: [R, G, B, W]},
			{name: "8-bit run lengths", bytes: file(40, 2, 8, 1, rgbw, [], [1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 1]), expected: [R, G, B, W]},
			{name: "4-bit run lengths", bytes: file(40, 2, 4, 2, rgbw, [], [2, 0x23, 0, 0, 2, 0x01, 0, 1]), expected: [R, G, B, W]},
			{name: "16-bit fields, 5-6-5", bytes: file(40, 2, 16, 3, [], [0xF800, 0x07E0, 0x001F], [0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07]), expected: [R, G, B, W]},
		];
		for (k in kinds)
			c.test(k.name, function() {
				var image = BmpDecoder.decodePixels(k.bytes);
				c.that(image != null, "decoded");
				if (image == null)
					return;
				c.equal("2x2", image.width + "x" + image.height, "size");
				c.equal(hex(k.expected), hex(image.pixels), "pixels");
			});

		c.test("what is not a bitmap it can show gives nothing", function() {
			var good = file(40, 2, 8, 0, rgbw, [], [2, 3, 0, 0, 0, 1, 0, 0]);
			var notBm = good.sub(0, good.length);
			notBm.set(0, 0x50);
			var huge = good.sub(0, good.length);
			huge.set(18, 0x00);
			huge.set(19, 0x20); // 8192 wide
			var rle4At8 = file(40, 2, 8, 2, rgbw, [], [2, 0x23, 0, 1]);
			for (bytes in [notBm, good.sub(0, 20), huge, rle4At8, Bytes.alloc(0)])
				c.that(BmpDecoder.decodePixels(bytes) == null, "refused");
		});
	}
}
