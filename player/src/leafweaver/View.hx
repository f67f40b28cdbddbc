package leafweaver;

/** Scale and top-left corner of the book on the stage. */
typedef Placement = {scale:Float, x:Float, y:Float};

/**
	Where the book sits on the stage: the area it is given, the zoom level
	and the pan. At zoom level 0 the book fits the area and is centred.
**/
class View {
	static var ZOOMS:Array<Float> = [1, 1.5, 2, 3, 4];

	public var zoomLevel(default, null):Int = 0;
	public var zoomed(get, never):Bool;
	public var canZoomIn(get, never):Bool;

	var x:Float = 0;
	var y:Float = 0;
	var w:Float = 100;
	var h:Float = 100;
	var panX:Float = 0;
	var panY:Float = 0;

	public function new() {}

	inline function get_zoomed()
		return zoomLevel > 0;

	inline function get_canZoomIn()
		return zoomLevel < ZOOMS.length - 1;

	/** Gives the book the stage area from (x, y), w by h. */
	public function setArea(x:Float, y:Float, w:Float, h:Float) {
		this.x = x;
		this.y = y;
		this.w = Math.max(w, 10);
		this.h = Math.max(h, 10);
	}

	/** One level closer; false when already at the closest. */
	public function zoomIn():Bool {
		if (!canZoomIn)
			return false;
		zoomLevel++;
		return true;
	}

	/** One level back; back at the whole book the pan is forgotten. False when not zoomed. */
	public function zoomOut():Bool {
		if (!zoomed)
			return false;
		zoomLevel--;
		if (zoomLevel == 0)
			panX = panY = 0;
		return true;
	}

	/** The number of zoom levels; level 0 shows the whole book. */
	public static inline function levels():Int
		return ZOOMS.length;

	/**
		Goes to zoom level `level` (kept within the levels) keeping the book
		point under the stage point (sx, sy) where it is, as far as the pan's
		limits allow, for a book of bookW by bookH. Back at level 0 the book is
		centred again. False when the level does not change.
	**/
	public function zoomAbout(level:Int, sx:Float, sy:Float, bookW:Float, bookH:Float):Bool {
		level = Std.int(Math.max(0, Math.min(ZOOMS.length - 1, level)));
		if (level == zoomLevel)
			return false;
		var before = place(bookW, bookH);
		zoomLevel = level;
		if (level == 0) {
			panX = panY = 0;
			return true;
		}
		var after = place(bookW, bookH);
		var k = after.scale / before.scale;
		panX += sx - (sx - before.x) * k - after.x;
		panY += sy - (sy - before.y) * k - after.y;
		return true;
	}

	public function panBy(dx:Float, dy:Float) {
		panX += dx;
		panY += dy;
	}

	/**
		Places a book of bookW by bookH (unscaled). The pan is limited so that
		part of the book always stays in view.
	**/
	public function place(bookW:Float, bookH:Float):Placement {
		var s = Math.min(w / bookW, h / bookH) * ZOOMS[zoomLevel];
		var bw = bookW * s, bh = bookH * s;
		var mx = Math.max(0, (bw - w) / 2), my = Math.max(0, (bh - h) / 2);
		panX = Math.max(-mx, Math.min(mx, panX));
		panY = Math.max(-my, Math.min(my, panY));
		return {scale: s, x: x + (w - bw) / 2 + panX, y: y + (h - bh) / 2 + panY};
	}
}
