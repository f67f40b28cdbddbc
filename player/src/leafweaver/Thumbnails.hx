package leafweaver;

/**
	The layout of the book's thumbnail sheets, "source/thumbnails.json" beside
	the page list, written by the package writer: `pages` pictures of
	`cellW` x `cellH` pixels lie `columns` across and `rows` down in each
	sheet, page after page from the top left, the sheets listed in order
	(paths relative to source/). Books without thumbnails lack the file.
**/
typedef ThumbnailIndex = {
	var pages:Int;
	var cellW:Int;
	var cellH:Int;
	var columns:Int;
	var rows:Int;
	var sheets:Array<String>;
}

class Thumbnails {
	/** Largest cell side and sheet count the player accepts. */
	static inline var MAX_CELL = 512;
	static inline var MAX_SHEETS = 100000;

	/**
		The index of a thumbnails file for a book of `pageCount` pages, or null
		when the text is not such an index, its cells are unusable, its sheets
		are too few for its pages or its pages are not the book's (a file left
		from another book).
	**/
	public static function parse(text:String, pageCount:Int):Null<ThumbnailIndex> {
		var data:Dynamic;
		try {
			data = haxe.Json.parse(text);
		} catch (e:Dynamic) {
			return null;
		}
		if (data == null || !Reflect.isObject(data) || Std.isOfType(data, Array))
			return null;
		var pages = Reflect.field(data, "pages");
		var cell = Reflect.field(data, "cell");
		var columns = Reflect.field(data, "columns");
		var rows = Reflect.field(data, "rows");
		var sheets = Reflect.field(data, "sheets");
		if (!Std.isOfType(pages, Int) || !Std.isOfType(columns, Int) || !Std.isOfType(rows, Int) || !Std.isOfType(cell, Array)
			|| !Std.isOfType(sheets, Array))
			return null;
		var c:Array<Dynamic> = cell;
		if (c.length != 2 || !Std.isOfType(c[0], Int) || !Std.isOfType(c[1], Int))
			return null;
		var w:Int = c[0], h:Int = c[1], cols:Int = columns, rs:Int = rows, n:Int = pages;
		if (w < 1 || h < 1 || w > MAX_CELL || h > MAX_CELL || cols < 1 || rs < 1 || n != pageCount || n < 1)
			return null;
		var list:Array<Dynamic> = sheets;
		if (list.length > MAX_SHEETS || list.length < Math.ceil(n / (cols * rs)))
			return null;
		var names:Array<String> = [];
		for (s in list) {
			if (!Std.isOfType(s, String) || !isPlainPath(s))
				return null;
			names.push(s);
		}
		return {pages: n, cellW: w, cellH: h, columns: cols, rows: rs, sheets: names};
	}

	/** A path inside source/: no scheme, no way up, no absolute path. */
	static function isPlainPath(s:String):Bool {
		return s.length > 0 && s.indexOf(":") < 0 && s.indexOf("..") < 0 && s.charAt(0) != "/" && s.indexOf("\\") < 0;
	}

	/** The sheet (from 0) holding the picture of page `page` (from 1). */
	public static function sheetOf(index:ThumbnailIndex, page:Int):Int
		return Std.int((page - 1) / (index.columns * index.rows));

	/** The top-left pixel of page `page`'s picture in its sheet. */
	public static function cellOf(index:ThumbnailIndex, page:Int):{x:Int, y:Int} {
		var at = (page - 1) % (index.columns * index.rows);
		return {x: (at % index.columns) * index.cellW, y: Std.int(at / index.columns) * index.cellH};
	}
}

/**
	The thumbnails panel's grid, without drawing it: how many cells fit
	across and down, which row is at the top, where each page's cell goes
	and which page the keys select. In a right-to-left book a row runs from
	the right, as the book does.
**/
class ThumbnailGrid {
	public static inline var GAP = 10;
	public static inline var PAD = 12;
	/** Height of the page number under each cell. */
	public static inline var LABEL = 18;

	public var columns(default, null):Int = 1;
	public var rowsShown(default, null):Int = 1;
	public var firstRow(default, null):Int = 0;
	public var count(default, null):Int;
	public var rows(get, never):Int;

	var cellW:Float;
	var cellH:Float;
	var width:Float = 0;
	var rtl:Bool;

	public function new(count:Int, cellW:Float, cellH:Float, rtl:Bool = false) {
		this.count = count;
		this.cellW = cellW;
		this.cellH = cellH;
		this.rtl = rtl;
	}

	inline function get_rows():Int
		return Std.int((count + columns - 1) / columns);

	/** Fits the grid into w x h pixels, keeping the top row where it can. */
	public function setSize(w:Float, h:Float) {
		width = w;
		columns = Std.int(Math.max(1, Math.floor((w - 2 * PAD + GAP) / (cellW + GAP))));
		rowsShown = Std.int(Math.max(1, Math.floor((h - 2 * PAD + GAP) / (cellH + LABEL + GAP))));
		scrollTo(firstRow);
	}

	/** Puts row `row` at the top, as far as the rows go. */
	public function scrollTo(row:Int) {
		firstRow = Std.int(Math.max(0, Math.min(rows - rowsShown, row)));
	}

	/** Scrolls the least that shows page `page`'s row. */
	public function reveal(page:Int) {
		var row = Std.int((page - 1) / columns);
		if (row < firstRow)
			scrollTo(row);
		else if (row >= firstRow + rowsShown)
			scrollTo(row - rowsShown + 1);
	}

	/** The pages (from 1) in the rows on view, in order. */
	public function visiblePages():Array<Int> {
		var first = firstRow * columns + 1;
		var last = Std.int(Math.min(count, (firstRow + rowsShown) * columns));
		return [for (p in first...last + 1) p];
	}

	/** The top-left corner of page `page`'s cell in the panel; null when its row is not on view. */
	public function positionOf(page:Int):Null<{x:Float, y:Float}> {
		var row = Std.int((page - 1) / columns) - firstRow;
		if (page < 1 || page > count || row < 0 || row >= rowsShown)
			return null;
		var col = (page - 1) % columns;
		var used = columns * cellW + (columns - 1) * GAP;
		var left = Math.max(PAD, (width - used) / 2);
		var x = left + (rtl ? columns - 1 - col : col) * (cellW + GAP);
		return {x: x, y: PAD + row * (cellH + LABEL + GAP)};
	}

	/**
		The page a key selects from `page`: the arrows move one cell (left
		and right as the grid runs, so mirrored in a right-to-left book) or
		one row, Page Up and Page Down a screenful, Home and End to the ends.
		Null for other keys.
	**/
	public function move(page:Int, keyCode:Int):Null<Int> {
		var to = switch (keyCode) {
			case 37: page + (rtl ? 1 : -1);
			case 39: page + (rtl ? -1 : 1);
			case 38: page - columns;
			case 40: page + columns;
			case 33: page - columns * rowsShown;
			case 34: page + columns * rowsShown;
			case 36: 1;
			case 35: count;
			default: return null;
		}
		return Std.int(Math.max(1, Math.min(count, to)));
	}
}
