package leafweaver;

/** The settings and page list of one book, as read from its page list file. */
class BookConfig {
	public var width:Int = 368;
	public var height:Int = 450;
	/** Background colour 0xRRGGBB, or -1 when the book uses its background image. */
	public var bgColor:Int = -1;
	public var loaderColor:Int = 0xFFFFFF;
	public var panelColor:Int = 0x404040;
	public var buttonColor:Int = 0xFFFFFF;
	public var textColor:Int = 0xFFFFFF;
	/** Page file addresses relative to the book folder, in book order. */
	public var pages:Array<String> = [];

	public function new() {}

	/**
		Reads the page list text. Returns null when the text is not XML or its
		root is not "content"; unusable sizes and colours keep their defaults.
	**/
	public static function parse(text:String):Null<BookConfig> {
		var doc:Xml;
		try {
			doc = Xml.parse(text);
		} catch (e:Dynamic) {
			return null;
		}
		var root:Xml = null;
		for (e in doc.elements()) {
			root = e;
			break;
		}
		if (root == null || root.nodeName.toLowerCase() != "content")
			return null;
		var c = new BookConfig();
		c.width = sizeOf(root.get("width"), c.width);
		c.height = sizeOf(root.get("height"), c.height);
		c.bgColor = colourOf(root.get("bgcolor"), -1);
		c.loaderColor = colourOf(root.get("loadercolor"), c.loaderColor);
		c.panelColor = colourOf(root.get("panelcolor"), c.panelColor);
		c.buttonColor = colourOf(root.get("buttoncolor"), c.buttonColor);
		c.textColor = colourOf(root.get("textcolor"), c.textColor);
		for (p in root.elements()) {
			if (p.nodeName.toLowerCase() != "page")
				continue;
			var src = p.get("src");
			c.pages.push(src == null ? "" : StringTools.trim(src));
		}
		return c;
	}

	/** Six hexadecimal digits, red first, with or without "#"; otherwise fallback. */
	public static function colourOf(text:Null<String>, fallback:Int):Int {
		if (text == null)
			return fallback;
		var t = StringTools.trim(text);
		if (StringTools.startsWith(t, "#"))
			t = t.substr(1);
		if (t.length != 6)
			return fallback;
		var v = 0;
		for (i in 0...6) {
			var ch = t.charCodeAt(i);
			var d = if (ch >= 48 && ch <= 57) ch - 48 else if (ch >= 65 && ch <= 70) ch - 55 else if (ch >= 97 && ch <= 102) ch - 87 else -1;
			if (d < 0)
				return fallback;
			v = (v << 4) | d;
		}
		return v;
	}

	static function sizeOf(text:Null<String>, fallback:Int):Int {
		if (text == null)
			return fallback;
		var v = Std.parseInt(StringTools.trim(text));
		if (v == null || v < 1 || v > 20000)
			return fallback;
		return v;
	}
}
