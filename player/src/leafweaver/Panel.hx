package leafweaver;

import flash.display.Shape;
import flash.display.Sprite;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.text.TextField;
import flash.text.TextFieldType;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;
import leafweaver.Action;

/**
	The control bar: first, previous, next, last, zoom, full screen and the
	page number box, laid out by `BarLayout` for the stage's width and the
	box's numbers.
**/
class Panel extends Sprite {
	/** The band's height when the page gives none. */
	public static inline var HEIGHT = 40;
	static inline var BUTTON = BarLayout.BUTTON;

	/** Called with the action of a pressed button, and with GoTo for a number typed into the page box. */
	public var onAction:Action->Void;
	public var numberField(default, null):TextField;

	var bar:Shape;
	var box:Sprite;
	var boxWidth:Float = BarLayout.BOX;
	var totalField:TextField;
	var panelColor:Int;
	var buttonColor:Int;
	var textColor:Int;
	var buttons:Array<{action:Action, sprite:Sprite}> = [];
	/** The row's controls by their `BarLayout` names. */
	var slots = new Map<String, Sprite>();
	var rtl:Bool;
	/**
		The outline's button at the bar's right end (the page keeps the left
		end for its search box), shown once the book has an outline.
	**/
	var contentsButton:Sprite;
	/** The thumbnails' button, left of the outline's, shown once the book has thumbnails. */
	var overviewButton:Sprite;
	var barWidth = 0.0;
	/** The number of digits the box was sized for. */
	var digits = 0;
	/** The band's height at the stage's foot. */
	var band:Int;

	/**
		In a right-to-left book the arrows keep their places and swap their
		actions: the arrows pointing left go on (next, last), those pointing
		right go back.
	**/
	public function new(panelColor:Int, buttonColor:Int, textColor:Int, rtl:Bool = false, band:Int = HEIGHT) {
		super();
		this.band = band;
		this.rtl = rtl;
		this.panelColor = panelColor;
		this.buttonColor = buttonColor;
		this.textColor = textColor;
		bar = new Shape();
		addChild(bar);
		for (a in [First, Previous])
			addButton(a);
		box = new Sprite();
		box.y = (band - BUTTON) / 2;
		addChild(box);
		slots.set("number", box);
		var fmt = new TextFormat("_sans", 14, textColor, true);
		fmt.align = TextFormatAlign.RIGHT;
		numberField = new TextField();
		numberField.defaultTextFormat = fmt;
		numberField.type = TextFieldType.INPUT;
		numberField.restrict = "0-9";
		numberField.maxChars = 6;
		numberField.x = 4;
		numberField.y = 4;
		numberField.width = 40;
		numberField.height = 20;
		numberField.name = "pageNumber";
		box.addChild(numberField);
		var fmt2 = new TextFormat("_sans", 14, textColor, false);
		totalField = new TextField();
		totalField.defaultTextFormat = fmt2;
		totalField.selectable = false;
		totalField.x = 46;
		totalField.y = 4;
		totalField.width = 48;
		totalField.height = 20;
		box.addChild(totalField);
		drawBox();
		numberField.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
			if (e.keyCode == 13) {
				var n = Std.parseInt(numberField.text);
				if (n != null && onAction != null)
					onAction(GoTo(n));
				if (stage != null)
					stage.focus = null;
			}
		});
		for (a in [Next, Last, ZoomOut, ZoomIn, FullScreen])
			addButton(a);
	}

	function drawBox() {
		var g = box.graphics;
		g.clear();
		g.beginFill(contrastOf(textColor), 0.55);
		g.drawRoundRect(0, 0, boxWidth, BUTTON, 8, 8);
		g.endFill();
	}

	/**
		Sizes the page box for a book of `total` pages: its fields as wide
		as the widest numbers of that many digits ("1156-1157" and
		"/ 1196"), the box no narrower than before.
	**/
	function fitBox(total:Int) {
		var d = Std.string(total).length;
		if (d == digits)
			return;
		digits = d;
		var zeros = StringTools.lpad("", "0", d);
		numberField.width = Math.max(40, widthOf(zeros + "-" + zeros, numberField.defaultTextFormat) + 6);
		totalField.width = Math.max(48, widthOf("/ " + zeros, totalField.defaultTextFormat) + 6);
		totalField.x = numberField.x + numberField.width + 2;
		boxWidth = BarLayout.boxWidth(numberField.width, totalField.width);
		drawBox();
		if (barWidth > 0)
			placeControls();
	}

	/** The text's width in the format, as a text field draws it. */
	static function widthOf(text:String, format:TextFormat):Float {
		var t = new TextField();
		t.defaultTextFormat = format;
		t.text = text;
		return t.textWidth;
	}

	/**
		Shows the page numbers (`label` in the box, `total` the page count)
		and dims the buttons whose action `can` says would do nothing.
	**/
	public function update(label:String, total:Int, can:Action->Bool) {
		fitBox(total);
		if (stage == null || stage.focus != numberField)
			numberField.text = label;
		totalField.text = "/ " + total;
		for (b in buttons) {
			var on = can(b.action);
			b.sprite.alpha = on ? 1 : 0.4;
			b.sprite.mouseEnabled = on;
		}
	}

	public function layout(stageW:Float, stageH:Float) {
		y = stageH - band;
		var g = bar.graphics;
		g.clear();
		g.beginFill(panelColor);
		g.drawRect(0, 0, stageW, band);
		g.endFill();
		g.beginFill(contrastOf(panelColor), 0.25);
		g.drawRect(0, 0, stageW, 1);
		g.endFill();
		barWidth = stageW;
		placeControls();
	}

	/** The row and the end buttons (the outline's rightmost, then the thumbnails'), whichever the book has. */
	function placeControls() {
		var ends = [for (b in [contentsButton, overviewButton]) if (b != null) b];
		var at = BarLayout.place(barWidth, boxWidth, ends.length);
		for (name => s in slots) {
			s.visible = at.row.exists(name);
			if (s.visible)
				s.x = at.row.get(name);
		}
		for (i in 0...ends.length)
			ends[i].x = Math.round(at.ends[i]);
	}

	/**
		The shown controls' boxes on the stage ({name, x, y, w, h}) and the
		page box's text, for the page's tests: `cut` when a number is wider
		than its field.
	**/
	public function controls():Dynamic {
		var shown = [];
		for (b in [for (name => s in slots) s].concat([contentsButton, overviewButton]))
			if (b != null && b.visible && b.parent == this) {
				var r = b.getBounds(stage != null ? stage : this);
				shown.push({name: b == box ? "number" : b.name, x: r.x, y: r.y, w: r.width, h: r.height});
			}
		return {
			shown: shown,
			text: numberField.text + " " + totalField.text,
			cut: numberField.textWidth > numberField.width - 4 || totalField.textWidth > totalField.width - 4
		};
	}

	/** The action of a button drawn as `drawn`: mirrored for the arrows of a right-to-left book. */
	function mirror(drawn:Action):Action {
		if (!rtl)
			return drawn;
		return switch (drawn) {
			case First: Last;
			case Previous: Next;
			case Next: Previous;
			case Last: First;
			default: drawn;
		}
	}

	/** Shows the outline's button (books without an outline have none). */
	public function showContentsButton() {
		if (contentsButton != null)
			return;
		contentsButton = addButton(Contents, false);
		placeControls();
	}

	/** Shows the thumbnails' button (books without thumbnails have none). */
	public function showOverviewButton() {
		if (overviewButton != null)
			return;
		overviewButton = addButton(Overview, false);
		placeControls();
	}

	/** A button for `drawn` (its action mirrored), one of the row's unless `inRow` is false. */
	function addButton(drawn:Action, inRow:Bool = true):Sprite {
		var action = mirror(drawn);
		var b = new Sprite();
		b.name = nameOf(action);
		b.buttonMode = true;
		b.useHandCursor = true;
		b.mouseChildren = false;
		var g = b.graphics;
		g.beginFill(buttonColor);
		g.drawRoundRect(0, 0, BUTTON, BUTTON, 8, 8);
		g.endFill();
		var icon = new Shape();
		drawIcon(icon, drawn, contrastOf(buttonColor));
		b.addChild(icon);
		b.y = (band - BUTTON) / 2;
		b.addEventListener(MouseEvent.CLICK, function(_) {
			if (onAction != null)
				onAction(action);
		});
		b.addEventListener(MouseEvent.ROLL_OVER, function(_) b.transform.colorTransform = new flash.geom.ColorTransform(0.85, 0.85, 0.85));
		b.addEventListener(MouseEvent.ROLL_OUT, function(_) b.transform.colorTransform = new flash.geom.ColorTransform());
		addChild(b);
		if (inRow)
			slots.set(nameOf(drawn), b);
		buttons.push({action: action, sprite: b});
		return b;
	}

	/** The button's display-object name, for finding it from outside. */
	static function nameOf(a:Action):String {
		return switch (a) {
			case First: "first";
			case Previous: "prev";
			case Next: "next";
			case Last: "last";
			case ZoomIn: "zoomin";
			case ZoomOut: "zoomout";
			case FullScreen: "fullscreen";
			case Contents: "contents";
			case Overview: "thumbnails";
			case GoTo(_): "number";
		}
	}

	/** Black or white, whichever stands out more against the colour. */
	public static function contrastOf(c:Int):Int {
		var r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
		return (r * 299 + g * 587 + b * 114) / 1000 > 140 ? 0x202020 : 0xFFFFFF;
	}

	static function drawIcon(s:Shape, action:Action, c:Int) {
		var g = s.graphics;
		var m = BUTTON / 2;
		function tri(x:Float, left:Bool) {
			g.beginFill(c);
			if (left) {
				g.moveTo(x + 5, m - 6);
				g.lineTo(x - 3, m);
				g.lineTo(x + 5, m + 6);
			} else {
				g.moveTo(x - 5, m - 6);
				g.lineTo(x + 3, m);
				g.lineTo(x - 5, m + 6);
			}
			g.endFill();
		}
		function bar(x:Float) {
			g.beginFill(c);
			g.drawRect(x, m - 6, 2.5, 12);
			g.endFill();
		}
		switch (action) {
			case First:
				bar(8);
				tri(m + 2, true);
			case Previous:
				tri(m, true);
			case Next:
				tri(m, false);
			case Last:
				tri(m - 2, false);
				bar(BUTTON - 10.5);
			case ZoomIn, ZoomOut:
				g.lineStyle(2.2, c);
				g.drawCircle(m - 2, m - 2, 6.5);
				g.moveTo(m + 3, m + 3);
				g.lineTo(m + 8, m + 8);
				g.lineStyle();
				g.beginFill(c);
				g.drawRect(m - 5.5, m - 3, 7, 2);
				if (action == ZoomIn)
					g.drawRect(m - 3, m - 5.5, 2, 7);
				g.endFill();
			case FullScreen:
				g.lineStyle(2.2, c);
				for (sx in [-1, 1])
					for (sy in [-1, 1]) {
						g.moveTo(m + sx * 8, m + sy * 3);
						g.lineTo(m + sx * 8, m + sy * 8);
						g.lineTo(m + sx * 3, m + sy * 8);
					}
			case Contents:
				// Lines of a list.
				g.beginFill(c);
				for (i in 0...3) {
					g.drawRect(m - 8, m - 6 + 5 * i, 2.5, 2.5);
					g.drawRect(m - 4, m - 6 + 5 * i, 12, 2.5);
				}
				g.endFill();
			case Overview:
				// Four small pages.
				g.beginFill(c);
				for (sx in [-1, 1])
					for (sy in [-1, 1])
						g.drawRect(m + (sx < 0 ? -8 : 1.5), m + (sy < 0 ? -8.5 : 1.5), 6.5, 7);
				g.endFill();
			case GoTo(_):
		}
	}
}
