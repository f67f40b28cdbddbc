package leafweaver;

/** A rectangle as shares of the page content, from its top left. */
typedef ShareBox = {
	var x:Float;
	var y:Float;
	var w:Float;
	var h:Float;
}

/**
	The words the page's search found, drawn over one page of the book: the
	page (0-based) and the boxes of the words on it as shares of the page
	content. The page sends them through `leafweaverHighlight(page, boxes)`;
	page 0 or no boxes take them away.
**/
class Highlights {
	/** The most boxes kept for a page. */
	public static inline var MAX_BOXES = 500;

	/** The highlighted page, 0-based, or -1 for none. */
	public var page(default, null):Int = -1;
	public var boxes(default, null):Array<ShareBox> = [];

	public function new() {}

	/**
		Takes the boxes `list` ([[x, y, w, h], ...] in shares) for the 1-based
		page `number` of a book of `pageCount` pages; boxes are cut to the page
		and those that do not read or lie outside it are left out. A number
		outside the book, or no box left, clears. Returns the page highlighted
		before (0-based, -1 for none), whose drawing must go.
	**/
	public function set(number:Dynamic, list:Dynamic, pageCount:Int):Int {
		var before = page;
		page = -1;
		boxes = [];
		var n = Std.parseInt(Std.string(number));
		if (n == null || n < 1 || n > pageCount || !Std.isOfType(list, Array))
			return before;
		var items:Array<Dynamic> = list;
		for (item in items) {
			if (boxes.length >= MAX_BOXES)
				break;
			var b = box(item);
			if (b != null)
				boxes.push(b);
		}
		if (boxes.length > 0)
			page = n - 1;
		return before;
	}

	/** The boxes to draw on page p (0-based); empty for the others. */
	public function on(p:Int):Array<ShareBox>
		return p == page ? boxes : [];

	/** [x, y, w, h] cut to the page (0 to 1), or null when nothing is left of it. */
	static function box(item:Dynamic):Null<ShareBox> {
		if (!Std.isOfType(item, Array))
			return null;
		var v:Array<Dynamic> = item;
		if (v.length < 4)
			return null;
		var n = [for (i in 0...4) number(v[i])];
		for (x in n)
			if (x == null)
				return null;
		var left = Math.max(0, n[0]), top = Math.max(0, n[1]);
		var right = Math.min(1, n[0] + n[2]), bottom = Math.min(1, n[1] + n[3]);
		if (!(right > left) || !(bottom > top))
			return null;
		return {x: left, y: top, w: right - left, h: bottom - top};
	}

	static function number(v:Dynamic):Null<Float> {
		if (!(Std.isOfType(v, Float) || Std.isOfType(v, Int)))
			return null;
		var f:Float = v;
		return Math.isFinite(f) ? f : null;
	}
}
