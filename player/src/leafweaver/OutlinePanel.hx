package leafweaver;

import flash.display.Bitmap;
import flash.display.BitmapData;
import flash.display.Loader;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.MouseEvent;
import flash.events.SecurityErrorEvent;
import flash.geom.ColorTransform;
import flash.geom.Matrix;
import flash.net.URLRequest;
import flash.system.LoaderContext;
import flash.text.TextField;
import flash.text.TextFormat;
import leafweaver.Outline;

/**
	The outline's list over the book's left side: one row per entry,
	indented by depth, with its page number; a click on a row chooses it, the
	wheel scrolls. Rows are ROW pixels high from TOP below the panel's top.
	A title the player's font cannot draw is cut from the title sheets
	(drawn white by the package writer at SCALE times the size, tinted here);
	a title longer than its room ends in "…".
**/
class OutlinePanel extends Sprite {
	public static inline var WIDTH = 320;
	public static inline var ROW = 26;
	public static inline var TOP = 8;

	public static inline var SCALE = 2;

	/** Called with the 1-based page of a chosen entry. */
	public var onChoose:Int->Void;

	/** Called with the sheet number each time a title sheet has loaded. */
	public static var onSheetLoaded:Int->Void;

	/** The title sheets loaded, kept for the next time the list opens, and the list open now. */
	static var sheets:Map<Int, BitmapData> = new Map();
	static var requested:Map<Int, Loader> = new Map();
	static var shownList:OutlinePanel;

	var folder:String;
	var entries:Array<OutlineEntry>;
	var rows:Sprite;
	var first = 0;
	var shown = 0;
	var boxW = 0.0;
	var boxH = 0.0;
	var panelColor:Int;
	var textColor:Int;

	/** The list takes the control bar's colour, its text whichever of black and white stands out on it. */
	public function new(entries:Array<OutlineEntry>, panelColor:Int, folder:String) {
		super();
		this.entries = entries;
		this.folder = folder;
		shownList = this;
		this.panelColor = panelColor;
		this.textColor = Panel.contrastOf(panelColor);
		name = "outline";
		rows = new Sprite();
		addChild(rows);
		addEventListener(MouseEvent.MOUSE_WHEEL, function(e:MouseEvent) {
			scrollTo(first + (e.delta > 0 ? -3 : 3));
			e.stopPropagation();
		});
	}

	/** Fits the list into w x h pixels. */
	public function setSize(w:Float, h:Float) {
		boxW = Math.min(WIDTH, w);
		boxH = h;
		var g = graphics;
		g.clear();
		g.beginFill(0x000000, 0.18);
		g.drawRoundRect(3, 3, boxW, boxH, 10, 10);
		g.endFill();
		g.lineStyle(1, textColor, 0.3);
		g.beginFill(panelColor);
		g.drawRoundRect(0, 0, boxW, boxH, 10, 10);
		g.endFill();
		g.lineStyle();
		shown = Std.int(Math.max(1, (boxH - 2 * TOP) / ROW));
		scrollTo(first);
	}

	function scrollTo(row:Int) {
		first = Std.int(Math.max(0, Math.min(entries.length - shown, row)));
		while (rows.numChildren > 0)
			rows.removeChildAt(0);
		var fmt = new TextFormat("_sans", 14, textColor);
		for (i in first...Std.int(Math.min(entries.length, first + shown))) {
			var e = entries[i];
			var r = new Sprite();
			r.name = "entry" + i;
			r.buttonMode = true;
			r.useHandCursor = true;
			r.mouseChildren = false;
			r.y = TOP + (i - first) * ROW;
			r.graphics.beginFill(Panel.contrastOf(panelColor), 0.0);
			r.graphics.drawRect(4, 0, boxW - 8, ROW);
			r.graphics.endFill();
			var title = new TextField();
			title.defaultTextFormat = fmt;
			title.selectable = false;
			title.x = 10 + 14 * e.level;
			title.y = 3;
			title.width = Math.max(20, boxW - title.x - 56);
			title.height = ROW - 4;
			if (e.picture != null)
				r.addChild(pictureOf(e, title.x, title.width, fmt));
			else {
				fitText(title, e.title);
				r.addChild(title);
			}
			var number = new TextField();
			number.defaultTextFormat = fmt;
			number.selectable = false;
			number.x = boxW - 50;
			number.y = 3;
			number.width = 44;
			number.height = ROW - 4;
			number.text = Std.string(e.page);
			r.addChild(number);
			var page = e.page;
			r.addEventListener(MouseEvent.ROLL_OVER, function(_) r.alpha = 0.7);
			r.addEventListener(MouseEvent.ROLL_OUT, function(_) r.alpha = 1);
			r.addEventListener(MouseEvent.CLICK, function(_) if (onChoose != null) onChoose(page));
			rows.addChild(r);
		}
	}

	/** `text` in `field`, cut and ended with "…" where it is wider than the field. */
	static function fitText(field:TextField, text:String) {
		field.text = text;
		var room = field.width - 4;
		if (field.textWidth <= room)
			return;
		var lo = 0, hi = text.length;
		while (lo < hi) {
			var mid = (lo + hi + 1) >> 1;
			field.text = StringTools.rtrim(text.substr(0, mid)) + "\u2026";
			if (field.textWidth <= room) lo = mid else hi = mid - 1;
		}
		field.text = StringTools.rtrim(text.substr(0, lo)) + "\u2026";
	}

	/**
		The title's picture at x, at most `room` wide: cut at its end (the
		left for a right-to-left title) with "…" there when it is wider.
	**/
	function pictureOf(e:OutlineEntry, x:Float, room:Float, fmt:TextFormat):Sprite {
		var holder = new Sprite();
		holder.name = "title";
		holder.x = x + 2;
		var p = e.picture;
		var full = p.width / SCALE;
		var shown = full;
		if (full > room - 4) {
			var dots = new TextField();
			dots.defaultTextFormat = fmt;
			dots.selectable = false;
			dots.text = "\u2026";
			dots.width = dots.textWidth + 4;
			dots.height = ROW - 4;
			dots.y = 3;
			shown = Math.max(0, room - 4 - dots.textWidth);
			dots.x = e.rtl ? -2 : shown - 2;
			holder.addChild(dots);
		}
		var cut = new Shape();
		cut.x = e.rtl && shown < full ? room - 4 - shown : 0;
		cut.y = 4;
		cut.transform.colorTransform = new ColorTransform(0, 0, 0, 1, (textColor >> 16) & 0xFF, (textColor >> 8) & 0xFF, textColor & 0xFF, 0);
		holder.addChild(cut);
		var draw = function(data:BitmapData) {
			var m = new Matrix();
			m.scale(1 / SCALE, 1 / SCALE);
			m.translate(e.rtl ? shown - full : 0, -p.top / SCALE);
			var g = cut.graphics;
			g.clear();
			g.beginBitmapFill(data, m, false, true);
			g.drawRect(0, 0, shown, 22);
			g.endFill();
		};
		var data = sheets.get(p.sheet);
		if (data != null)
			draw(data);
		else
			load(p.sheet);
		return holder;
	}

	/** Asks for a title sheet once; the list open when it comes is drawn again. */
	function load(sheet:Int) {
		if (requested.exists(sheet))
			return;
		var loader = new Loader();
		requested.set(sheet, loader);
		loader.contentLoaderInfo.addEventListener(Event.INIT, function(_) {
			var bitmap:Bitmap = cast loader.content;
			sheets.set(sheet, bitmap.bitmapData);
			if (shownList != null && shownList.stage != null)
				shownList.scrollTo(shownList.first);
			if (onSheetLoaded != null)
				onSheetLoaded(sheet);
		});
		// A sheet that does not load leaves its titles out; the numbers stay.
		var none = function(_:Event) requested.remove(sheet);
		loader.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, none);
		loader.contentLoaderInfo.addEventListener(SecurityErrorEvent.SECURITY_ERROR, none);
		loader.load(new URLRequest(folder + "titles/" + sheet + ".png"), new LoaderContext(false));
	}
}
