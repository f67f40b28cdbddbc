package leafweaver;

/**
	One entry of the book's outline: its title, depth (0 at the top) and
	1-based page number; for a title the player's font cannot draw, its
	picture on the title sheets (`TitlePicture`) and whether it reads from
	right to left.
**/
typedef OutlineEntry = {
	var title:String;
	var level:Int;
	var page:Int;
	@:optional var picture:TitlePicture;
	@:optional var rtl:Bool;
}

/** Where a title's picture lies: its sheet (from 1), its top and width in the sheet's pixels. */
typedef TitlePicture = {
	var sheet:Int;
	var top:Int;
	var width:Int;
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
			var entry:OutlineEntry = {title: t, level: l < 0 ? 0 : (l > MAX_LEVEL ? MAX_LEVEL : l), page: p};
			var picture:Dynamic = Reflect.field(item, "picture");
			if (Std.isOfType(picture, Array) && picture.length == 3 && Std.isOfType(picture[0], Int) && Std.isOfType(picture[1], Int)
				&& Std.isOfType(picture[2], Int) && picture[0] >= 1 && picture[1] >= 0 && picture[2] >= 1) {
				entry.picture = {sheet: picture[0], top: picture[1], width: picture[2]};
				entry.rtl = Reflect.field(item, "rtl") == true;
			}
			out.push(entry);
		}
		return out;
	}
}
