package leafweaver;

import flash.display.Sprite;
import flash.events.MouseEvent;
import flash.text.TextField;
import flash.text.TextFormat;
import leafweaver.Outline;

/**
	The outline's list over the book's left side: one row per entry,
	indented by depth, with its page number; a click on a row chooses it, the
	wheel scrolls. Rows are ROW pixels high from TOP below the panel's top.
**/
class OutlinePanel extends Sprite {
	public static inline var WIDTH = 320;
	public static inline var ROW = 26;
	public static inline var TOP = 8;

	/** Called with the 1-based page of a chosen entry. */
	public var onChoose:Int->Void;

	var entries:Array<OutlineEntry>;
	var rows:Sprite;
	var first = 0;
	var shown = 0;
	var boxW = 0.0;
	var boxH = 0.0;
	var panelColor:Int;
	var textColor:Int;

	/** The list takes the control bar's colour, its text whichever of black and white stands out on it. */
	public function new(entries:Array<OutlineEntry>, panelColor:Int) {
		super();
		this.entries = entries;
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
			title.text = e.title;
			r.addChild(title);
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
}
