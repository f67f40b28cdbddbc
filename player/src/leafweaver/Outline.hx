package leafweaver;

/** One entry of the book's outline: its title, depth (0 at the top) and 1-based page number. */
typedef OutlineEntry = {
	var title:String;
	var level:Int;
	var page:Int;
}

/**
	The book's outline, "source/outline.json" beside the page list: the
	bookmarks of its PDFs with their book page numbers, written by the
	package writer. Books without one simply lack the file.
**/
class Outline {
	/** Entries and depth the player shows at most. */
	public static inline var MAX_ENTRIES = 5000;
	public static inline var MAX_LEVEL = 8;

	/**
		The entries of an outline file leading to pages of a book of
		`pageCount` pages, in order. Entries without a title or a page in the
		book are left out; text that is not an outline gives none.
	**/
	public static function parse(text:String, pageCount:Int):Array<OutlineEntry> {
		var out:Array<OutlineEntry> = [];
		var data:Dynamic;
		try {
			data = haxe.Json.parse(text);
		} catch (e:Dynamic) {
			return out;
		}
		if (!Std.isOfType(data, Array))
			return out;
		var list:Array<Dynamic> = data;
		for (item in list) {
			if (out.length >= MAX_ENTRIES)
				break;
			if (item == null || !Reflect.isObject(item))
				continue;
			var title = Reflect.field(item, "title");
			var page = Reflect.field(item, "page");
			var level = Reflect.field(item, "level");
			if (!Std.isOfType(title, String) || !Std.isOfType(page, Int))
				continue;
			var t = StringTools.trim(title);
			var p:Int = page;
			if (t == "" || p < 1 || p > pageCount)
				continue;
			var l:Int = Std.isOfType(level, Int) ? level : 0;
			out.push({title: t, level: l < 0 ? 0 : (l > MAX_LEVEL ? MAX_LEVEL : l), page: p});
		}
		return out;
	}
}
