package leafweaver;

import haxe.io.Bytes;
#if flash
import flash.display.BitmapData;
import flash.geom.Rectangle;
import flash.utils.ByteArray;

private typedef Pixels = flash.Vector<UInt>;
#else
private typedef Pixels = Array<Int>;
#end

/** A decoded bitmap: ARGB pixels, rows from the top. **/
typedef BmpImage = {
	width:Int,
	height:Int,
	pixels:Pixels
}

/**
	Decodes Windows bitmap files, which the Flash loader cannot show:
	uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, 8-bit and 4-bit
	run-length compression and bit-field masks, bottom-up and top-down rows.
**/
class BmpDecoder {
	/** Largest side and pixel count a bitmap of the player may have. */
	public static inline var MAX_SIDE = 8191;
	public static inline var MAX_PIXELS = 16777215;

#if flash
	/**
		Returns the decoded image, or null when the bytes are not a bitmap
		file of a supported kind, are cut short, or the image is too large.
	**/
	public static function decode(data:ByteArray):Null<BitmapData> {
		var image = decodePixels(Bytes.ofData(data));
		if (image == null)
			return null;
		var bmd = new BitmapData(image.width, image.height, true, 0);
		bmd.setVector(new Rectangle(0, 0, image.width, image.height), image.pixels);
		return bmd;
	}
#end

	/**
		Returns the pixels of the bitmap file `data`, or null when the bytes
		are not a bitmap file of a supported kind, are cut short, or the image
		is too large.
	**/
	public static function decodePixels(data:Bytes):Null<BmpImage> {
		try {
			return decodeOrThrow(data);
		} catch (e:Dynamic) {
			return null;
		}
	}

	static inline function u16(d:Bytes, p:Int):Int
		return d.get(p) | (d.get(p + 1) << 8);

	static inline function i32(d:Bytes, p:Int):Int
		return d.get(p) | (d.get(p + 1) << 8) | (d.get(p + 2) << 16) | (d.get(p + 3) << 24);

	static function decodeOrThrow(data:Bytes):Null<BmpImage> {
		var len:Int = data.length;
		if (len < 26 || data.get(0) != 0x42 || data.get(1) != 0x4D)
			return null;
		var pixelOffset:Int = i32(data, 10);
		var headerSize:Int = i32(data, 14);
		var width:Int, height:Int, bpp:Int, compression = 0, colours = 0;
		var topDown = false;
		var rMask = 0, gMask = 0, bMask = 0, aMask = 0;
		if (headerSize == 12) {
			width = u16(data, 18);
			height = (u16(data, 20) << 16) >> 16;
			bpp = u16(data, 24);
		} else if (headerSize >= 40 && 14 + headerSize <= len) {
			width = i32(data, 18);
			height = i32(data, 22);
			bpp = u16(data, 28);
			compression = i32(data, 30);
			colours = i32(data, 46);
			if (compression == 3 || compression == 6) {
				// Masks follow the 40-byte header, inside a larger header or not.
				if (54 + 12 > len)
					return null;
				rMask = i32(data, 54);
				gMask = i32(data, 58);
				bMask = i32(data, 62);
				if (headerSize >= 56 || compression == 6) {
					if (54 + 16 > len)
						return null;
					aMask = i32(data, 66);
				}
			}
		} else {
			return null;
		}
		if (height < 0) {
			topDown = true;
			height = -height;
		}
		if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE || width * height > MAX_PIXELS)
			return null;
		var paletteStart = 14 + headerSize + ((compression == 3 || compression == 6) && headerSize == 40 ? (compression == 6 ? 16 : 12) : 0);
		var entry = headerSize == 12 ? 3 : 4;
		var palette:Array<Int> = [];
		if (bpp <= 8) {
			var count = colours > 0 ? colours : (1 << bpp);
			if (count > 256)
				count = 256;
			for (i in 0...count) {
				var p = paletteStart + i * entry;
				if (p + 3 > len)
					break;
				palette.push(0xFF000000 | (data.get(p + 2) << 16) | (data.get(p + 1) << 8) | data.get(p));
			}
			while (palette.length < 256)
				palette.push(0xFF000000);
		}
		if (pixelOffset < 0 || pixelOffset >= len)
			return null;
		#if flash
		var out = new Pixels(width * height, true);
		#else
		var out:Pixels = [for (i in 0...width * height) 0];
		#end
		switch (compression) {
			case 0:
				readUncompressed(data, pixelOffset, width, height, bpp, topDown, palette, out);
			case 1:
				if (bpp != 8) return null;
				readRle(data, pixelOffset, width, height, false, topDown, palette, out);
			case 2:
				if (bpp != 4) return null;
				readRle(data, pixelOffset, width, height, true, topDown, palette, out);
			case 3, 6:
				if (bpp != 16 && bpp != 32) return null;
				readMasked(data, pixelOffset, width, height, bpp, topDown, rMask, gMask, bMask, aMask, out);
			default:
				return null;
		}
		return {width: width, height: height, pixels: out};
	}

	static function readUncompressed(d:Bytes, start:Int, w:Int, h:Int, bpp:Int, topDown:Bool, pal:Array<Int>, out:Pixels) {
		var stride = ((w * bpp + 31) >> 5) << 2;
		var len:Int = d.length;
		if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
			throw "depth";
		// A 32-bit file whose fourth byte is zero everywhere has no alpha.
		var useAlpha = false;
		if (bpp == 32) {
			var y = 0;
			while (y < h && !useAlpha) {
				var p = start + y * stride;
				for (x in 0...w) {
					var q = p + x * 4 + 3;
					if (q < len && d.get(q) != 0) {
						useAlpha = true;
						break;
					}
				}
				y++;
			}
		}
		for (y in 0...h) {
			var row = start + y * stride;
			var o = (topDown ? y : h - 1 - y) * w;
			if (row + stride > len) {
				if (row >= len) continue;
			}
			switch (bpp) {
				case 24:
					var p = row;
					for (x in 0...w) {
						if (p + 2 >= len) break;
						out[o + x] = 0xFF000000 | (d.get(p + 2) << 16) | (d.get(p + 1) << 8) | d.get(p);
						p += 3;
					}
				case 32:
					var p = row;
					for (x in 0...w) {
						if (p + 3 >= len) break;
						var a = useAlpha ? d.get(p + 3) : 0xFF;
						out[o + x] = (a << 24) | (d.get(p + 2) << 16) | (d.get(p + 1) << 8) | d.get(p);
						p += 4;
					}
				case 16:
					var p = row;
					for (x in 0...w) {
						if (p + 1 >= len) break;
						var v = d.get(p) | (d.get(p + 1) << 8);
						var r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
						out[o + x] = 0xFF000000 | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
						p += 2;
					}
				case 8:
					for (x in 0...w) {
						var p = row + x;
						if (p >= len) break;
						out[o + x] = pal[d.get(p)];
					}
				case 4:
					for (x in 0...w) {
						var p = row + (x >> 1);
						if (p >= len) break;
						var v = (x & 1) == 0 ? d.get(p) >> 4 : d.get(p) & 15;
						out[o + x] = pal[v];
					}
				case 1:
					for (x in 0...w) {
						var p = row + (x >> 3);
						if (p >= len) break;
						out[o + x] = pal[(d.get(p) >> (7 - (x & 7))) & 1];
					}
			}
		}
	}

	static function readRle(d:Bytes, start:Int, w:Int, h:Int, four:Bool, topDown:Bool, pal:Array<Int>, out:Pixels) {
		var len:Int = d.length;
		var p = start, x = 0, y = 0;
		inline function put(v:Int) {
			if (x < w && y < h)
				out[(topDown ? y : h - 1 - y) * w + x] = pal[v];
			x++;
		}
		while (p + 1 < len && y < h) {
			var n = d.get(p), v = d.get(p + 1);
			p += 2;
			if (n > 0) {
				for (i in 0...n)
					put(four ? ((i & 1) == 0 ? v >> 4 : v & 15) : v);
			} else if (v == 0) {
				x = 0;
				y++;
			} else if (v == 1) {
				break;
			} else if (v == 2) {
				if (p + 1 >= len) break;
				x += d.get(p);
				y += d.get(p + 1);
				p += 2;
			} else {
				var bytes = four ? (v + 1) >> 1 : v;
				for (i in 0...v) {
					var q = p + (four ? i >> 1 : i);
					if (q >= len) break;
					put(four ? ((i & 1) == 0 ? d.get(q) >> 4 : d.get(q) & 15) : d.get(q));
				}
				p += (bytes + 1) & ~1;
			}
		}
	}

	static function readMasked(d:Bytes, start:Int, w:Int, h:Int, bpp:Int, topDown:Bool, rm:Int, gm:Int, bm:Int, am:Int, out:Pixels) {
		var len:Int = d.length;
		var stride = ((w * bpp + 31) >> 5) << 2;
		var rs = shiftOf(rm), gs = shiftOf(gm), bs = shiftOf(bm), as = shiftOf(am);
		var rmax = maxOf(rm, rs), gmax = maxOf(gm, gs), bmax = maxOf(bm, bs), amax = maxOf(am, as);
		for (y in 0...h) {
			var row = start + y * stride;
			var o = (topDown ? y : h - 1 - y) * w;
			for (x in 0...w) {
				var p = row + x * (bpp >> 3);
				if (p + (bpp >> 3) - 1 >= len) break;
				var v = bpp == 16 ? d.get(p) | (d.get(p + 1) << 8) : d.get(p) | (d.get(p + 1) << 8) | (d.get(p + 2) << 16) | (d.get(p + 3) << 24);
				var r = scale(v, rm, rs, rmax), g = scale(v, gm, gs, gmax), b = scale(v, bm, bs, bmax);
				var a = am == 0 ? 255 : scale(v, am, as, amax);
				out[o + x] = (a << 24) | (r << 16) | (g << 8) | b;
			}
		}
	}

	static inline function scale(v:Int, mask:Int, shift:Int, max:Int):Int {
		return max <= 0 ? 0 : Std.int((((v & mask) >>> shift) * 255) / max);
	}

	static function shiftOf(mask:Int):Int {
		if (mask == 0)
			return 0;
		var s = 0;
		while (((mask >>> s) & 1) == 0)
			s++;
		return s;
	}

	static function maxOf(mask:Int, shift:Int):Int {
		return mask == 0 ? 0 : mask >>> shift;
	}
}
