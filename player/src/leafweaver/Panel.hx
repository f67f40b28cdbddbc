package leafweaver;

import flash.display.Shape;
import flash.display.Sprite;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.text.TextField;
import flash.text.TextFieldType;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;

/** The control bar: first, previous, next, last, zoom, full screen and the page number box. */
class Panel extends Sprite {
	public static inline var HEIGHT = 40;
	static inline var BUTTON = 28;
	static inline var GAP = 6;

	/** Called with the action name of a pressed button ("first", "prev", …). */
	public var onAction:String->Void;
	/** Called with the number typed into the page box. */
	public var onJump:Int->Void;
	public var numberField(default, null):TextField;

	var bar:Shape;
	var row:Sprite;
	var totalField:TextField;
	var panelColor:Int;
	var buttonColor:Int;
	var textColor:Int;
	var buttons:Map<String, Sprite> = new Map();

	public function new(panelColor:Int, buttonColor:Int, textColor:Int) {
		super();
		this.panelColor = panelColor;
		this.buttonColor = buttonColor;
		this.textColor = textColor;
		bar = new Shape();
		addChild(bar);
		row = new Sprite();
		addChild(row);
		var x = 0.0;
		for (name in ["first", "prev"]) {
			addButton(name, x);
			x += BUTTON + GAP;
		}
		var box = new Sprite();
		var boxBg = contrastOf(textColor);
		box.graphics.beginFill(boxBg, 0.55);
		box.graphics.drawRoundRect(0, 0, 96, BUTTON, 8, 8);
		box.graphics.endFill();
		box.x = x;
		box.y = (HEIGHT - BUTTON) / 2;
		row.addChild(box);
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
		numberField.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
			if (e.keyCode == 13) {
				var n = Std.parseInt(numberField.text);
				if (n != null && onJump != null)
					onJump(n);
				if (stage != null)
					stage.focus = null;
			}
		});
		x += 96 + GAP;
		for (name in ["next", "last", "zoomout", "zoomin", "fullscreen"]) {
			if (name == "zoomout")
				x += GAP * 2;
			addButton(name, x);
			x += BUTTON + GAP;
		}
	}

	/** Shows the page numbers; `label` is what the box shows, `total` the page count. */
	public function showPages(label:String, total:Int) {
		if (stage == null || stage.focus != numberField)
			numberField.text = label;
		totalField.text = "/ " + total;
	}

	public function setEnabled(name:String, on:Bool) {
		var b = buttons.get(name);
		if (b != null) {
			b.alpha = on ? 1 : 0.4;
			b.mouseEnabled = on;
		}
	}

	public function layout(stageW:Float, stageH:Float) {
		y = stageH - HEIGHT;
		var g = bar.graphics;
		g.clear();
		g.beginFill(panelColor, 0.92);
		g.drawRect(0, 0, stageW, HEIGHT);
		g.endFill();
		g.beginFill(contrastOf(panelColor), 0.25);
		g.drawRect(0, 0, stageW, 1);
		g.endFill();
		row.x = Math.round((stageW - row.width) / 2);
	}

	function addButton(name:String, x:Float) {
		var b = new Sprite();
		b.name = name;
		b.buttonMode = true;
		b.useHandCursor = true;
		b.mouseChildren = false;
		var g = b.graphics;
		g.beginFill(buttonColor);
		g.drawRoundRect(0, 0, BUTTON, BUTTON, 8, 8);
		g.endFill();
		var icon = new Shape();
		drawIcon(icon, name, contrastOf(buttonColor));
		b.addChild(icon);
		b.x = x;
		b.y = (HEIGHT - BUTTON) / 2;
		b.addEventListener(MouseEvent.CLICK, function(_) {
			if (onAction != null)
				onAction(name);
		});
		b.addEventListener(MouseEvent.ROLL_OVER, function(_) b.transform.colorTransform = new flash.geom.ColorTransform(0.85, 0.85, 0.85));
		b.addEventListener(MouseEvent.ROLL_OUT, function(_) b.transform.colorTransform = new flash.geom.ColorTransform());
		row.addChild(b);
		buttons.set(name, b);
	}

	/** Black or white, whichever stands out more against the colour. */
	public static function contrastOf(c:Int):Int {
		var r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
		return (r * 299 + g * 587 + b * 114) / 1000 > 140 ? 0x202020 : 0xFFFFFF;
	}

	static function drawIcon(s:Shape, name:String, c:Int) {
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
		switch (name) {
			case "first":
				bar(8);
				tri(m + 2, true);
			case "prev":
				tri(m, true);
			case "next":
				tri(m, false);
			case "last":
				tri(m - 2, false);
				bar(BUTTON - 10.5);
			case "zoomin", "zoomout":
				g.lineStyle(2.2, c);
				g.drawCircle(m - 2, m - 2, 6.5);
				g.moveTo(m + 3, m + 3);
				g.lineTo(m + 8, m + 8);
				g.lineStyle();
				g.beginFill(c);
				g.drawRect(m - 5.5, m - 3, 7, 2);
				if (name == "zoomin")
					g.drawRect(m - 3, m - 5.5, 2, 7);
				g.endFill();
			case "fullscreen":
				g.lineStyle(2.2, c);
				for (sx in [-1, 1])
					for (sy in [-1, 1]) {
						g.moveTo(m + sx * 8, m + sy * 3);
						g.lineTo(m + sx * 8, m + sy * 8);
						g.lineTo(m + sx * 3, m + sy * 8);
					}
		}
	}
}
