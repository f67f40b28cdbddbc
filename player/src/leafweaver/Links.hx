package leafweaver;

/**
	A link area on a page: its rectangle as shares of the page content (from
	the top left) and where it leads: a web address, or a page of the book
	(1-based) when `url` is null.
**/
typedef LinkArea = {
	var x:Float;
	var y:Float;
	var w:Float;
	var h:Float;
	var url:Null<String>;
	var page:Int;
}

/**
	The links of the book's pages, "source/links.json" beside the page list,
	written by the package writer: page number → [x, y, w, h, to] areas, `to`
	a web address or a book page number. Books without links lack the file.
**/
class Links {
	/** The areas of a links file, by 0-based page, for a book of `pageCount` pages; nothing for text that is not one. */
	public static function parse(text:String, pageCount:Int):Map<Int, Array<LinkArea>> {
		var out = new Map<Int, Array<LinkArea>>();
		var data:Dynamic;
		try {
			data = haxe.Json.parse(text);
		} catch (e:Dynamic) {
			return out;
		}
		if (data == null || !Reflect.isObject(data) || Std.isOfType(data, Array) || Std.isOfType(data, String))
			return out;
		for (key in Reflect.fields(data)) {
			var n = Std.parseInt(key);
			var list:Dynamic = Reflect.field(data, key);
			if (n == null || n < 1 || n > pageCount || !Std.isOfType(list, Array))
				continue;
			var areas:Array<LinkArea> = [];
			var items:Array<Dynamic> = list;
			for (a in items) {
				if (!Std.isOfType(a, Array))
					continue;
				var v:Array<Dynamic> = a;
				if (v.length < 5 || !isNumber(v[0]) || !isNumber(v[1]) || !isNumber(v[2]) || !isNumber(v[3]))
					continue;
				var w:Float = v[2], h:Float = v[3];
				if (!(w > 0) || !(h > 0))
					continue;
				var to:Dynamic = v[4];
				if (Std.isOfType(to, String) && isOpenable(to))
					areas.push({x: v[0], y: v[1], w: w, h: h, url: to, page: 0});
				else if (Std.isOfType(to, Int) && to >= 1 && to <= pageCount)
					areas.push({x: v[0], y: v[1], w: w, h: h, url: null, page: to});
			}
			if (areas.length > 0)
				out.set(n - 1, areas);
		}
		return out;
	}

	/** Whether a reader may open an address: http, https and mailto only. */
	public static function isOpenable(url:String):Bool {
		var lower = url.toLowerCase();
		return StringTools.startsWith(lower, "http://") || StringTools.startsWith(lower, "https://")
			|| StringTools.startsWith(lower, "mailto:");
	}

	/** The topmost (last) area holding the point (u, v) in shares of the page, or null. */
	public static function at(areas:Null<Array<LinkArea>>, u:Float, v:Float):Null<LinkArea> {
		if (areas == null)
			return null;
		var i = areas.length;
		while (i-- > 0) {
			var a = areas[i];
			if (u >= a.x && u <= a.x + a.w && v >= a.y && v <= a.y + a.h)
				return a;
		}
		return null;
	}

	static function isNumber(v:Dynamic):Bool
		return Std.isOfType(v, Float) || Std.isOfType(v, Int);
}
