package leafweaver;

/**
	Where the control bar's controls go on a stage of a given width: the row
	(first, previous, the page box, next, last, zoom out, zoom in, full
	screen) centred, and the outline's and thumbnails' buttons at the right
	end. When the whole row does not fit beside the end buttons (a phone's
	360 to 430 pixels), the less needed controls drop out, pair by pair: the
	zoom buttons first (a finger pinches or double-taps instead), then first
	and last, then full screen; the row then shifts left of the end buttons
	rather than under them. Display-free, so the interpreter tests it.
**/
class BarLayout {
	public static inline var BUTTON = 28;
	public static inline var GAP = 6;
	/** The page box's width when its numbers need no more. */
	public static inline var BOX = 96;
	/** Room kept at the stage's left and right edges. */
	public static inline var EDGE = 8;

	/** The row's controls in their drawn order, by their display names ("number" is the page box). */
	public static var ROW(default, never) = ["first", "prev", "number", "next", "last", "zoomout", "zoomin", "fullscreen"];

	/** What drops out, in turn, when the row does not fit. */
	static var DROPS(default, never) = [["zoomout", "zoomin"], ["first", "last"], ["fullscreen"]];

	/**
		The places of the row's controls (x of each shown one, stage
		pixels; a control left out has none) and of `ends` end buttons (x,
		the rightmost first), for a page box `box` wide. Never fails: when
		even the narrowest row does not fit, it starts at the left edge.
	**/
	public static function place(stageW:Float, box:Float, ends:Int):{row:Map<String, Float>, ends:Array<Float>} {
		var endXs = [for (i in 0...ends) stageW - 2 - (i + 1) * (BUTTON + GAP)];
		var right = stageW - EDGE - ends * (BUTTON + GAP);
		var shown = ROW.copy();
		var wide = true;
		var d = 0;
		while (true) {
			var w = rowWidth(shown, box, wide);
			var x = Math.min(Math.round((stageW - w) / 2), right - w);
			if (x >= EDGE || d == DROPS.length)
				return {row: positions(shown, box, wide, Math.max(x, EDGE)), ends: endXs};
			// Narrow: the zoom group's wider gap goes before any control does.
			if (wide)
				wide = false;
			else {
				for (name in DROPS[d])
					shown.remove(name);
				d++;
			}
		}
	}

	static function widthOf(name:String, box:Float):Float
		return name == "number" ? box : BUTTON;

	/** The gap before a control: twice more before the zoom buttons in the full row. */
	static function gapBefore(name:String, wide:Bool):Float
		return wide && name == "zoomout" ? 3 * GAP : GAP;

	static function rowWidth(shown:Array<String>, box:Float, wide:Bool):Float {
		var w = 0.0;
		for (i in 0...shown.length)
			w += (i == 0 ? 0 : gapBefore(shown[i], wide)) + widthOf(shown[i], box);
		return w;
	}

	static function positions(shown:Array<String>, box:Float, wide:Bool, x:Float):Map<String, Float> {
		var at = new Map<String, Float>();
		for (i in 0...shown.length) {
			if (i > 0)
				x += gapBefore(shown[i], wide);
			at.set(shown[i], x);
			x += widthOf(shown[i], box);
		}
		return at;
	}

	/**
		The page box's width for its two fields, the page number `label`
		and the count `total` pixels wide: `BOX` while they fit in it, wider
		otherwise.
	**/
	public static function boxWidth(label:Float, total:Float):Float
		return Math.max(BOX, Math.ceil(4 + label + 2 + total + 2));
}
